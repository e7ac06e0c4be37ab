// The tuner's replays, natively: the plug-in's core on the simulator's
// coroutine runner, which runs ScriptMain itself. The node tests hold the
// WebAssembly module's replays against these, byte for byte.
//
//   native_replay WORKDIR [ROUNDS] < jobs
//       one job a line: SETTINGS<TAB>SCENARIO<TAB>OUT (SETTINGS "-": the
//       scenario's own). With ROUNDS (the benchmark), every job is replayed
//       that many times over and each round's milliseconds go to stdout.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "tuner.h"

namespace {

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace

struct Job {
    bool ownSettings;
    std::string file, scenario, out;
};

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::cerr << "usage: native_replay WORKDIR [ROUNDS] < jobs\n";
        return 2;
    }
    try {
        std::vector<Job> jobs;
        for (std::string line; std::getline(std::cin, line);) {
            std::istringstream fields(line);
            std::string settings, scenario, out;
            if (!std::getline(fields, settings, '\t') || !std::getline(fields, scenario, '\t') ||
                !std::getline(fields, out))
                throw std::runtime_error("a job is SETTINGS<TAB>SCENARIO<TAB>OUT: " + line);
            jobs.push_back({settings == "-", settings == "-" ? std::string() : readBytes(settings), readBytes(scenario), out});
        }
        const int rounds = argc == 3 ? std::atoi(argv[2]) : 0;
        for (int round = 0; round < std::max(rounds, 1); ++round) {
            const auto start = std::chrono::steady_clock::now();
            for (const Job& job : jobs) {
                const std::string blob = tuner::replay(job.scenario, job.ownSettings ? nullptr : &job.file, argv[1]);
                if (!rounds) std::ofstream(job.out, std::ios::binary) << blob;
            }
            if (rounds)
                std::cout << std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count()
                          << "\n";
        }
    } catch (const std::exception& e) {
        std::cerr << "native_replay: " << e.what() << "\n";
        return 2;
    }
    return 0;
}
