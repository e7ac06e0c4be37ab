// The tuner's requests answered natively: the plug-in's core on the
// simulator's coroutine runner, which runs ScriptMain itself, behind the same
// session and operations as the page's module. The node tests hold the
// module's answers against these, byte for byte.
//
//   native_replay WORKDIR [ROUNDS] < requests
//       one request a line: OP<TAB>ARGS<TAB>BYTES<TAB>OUT, the operation
//       ("next": the next queued replay), its JSON arguments, the file whose
//       bytes it carries ("-": none) and where its answer goes ("-": nowhere).
//       With ROUNDS (the benchmark), the requests are made that many times
//       over and each round's milliseconds go to stdout.
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
    if (path == "-") return {};
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct Request {
    std::string op;
    nlohmann::json args;
    std::string bytes, out;
};

std::vector<Request> readRequests(std::istream& in) {
    std::vector<Request> requests;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string op, args, bytes, out;
        if (!std::getline(fields, op, '\t') || !std::getline(fields, args, '\t') || !std::getline(fields, bytes, '\t') ||
            !std::getline(fields, out))
            throw std::runtime_error("a request is OP<TAB>ARGS<TAB>BYTES<TAB>OUT: " + line);
        requests.push_back({op, nlohmann::json::parse(args), readBytes(bytes), out});
    }
    return requests;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::cerr << "usage: native_replay WORKDIR [ROUNDS] < requests\n";
        return 2;
    }
    try {
        const std::vector<Request> requests = readRequests(std::cin);
        tuner::Session session(argv[1]);
        const int rounds = argc == 3 ? std::atoi(argv[2]) : 0;
        for (int round = 0; round < std::max(rounds, 1); ++round) {
            const auto start = std::chrono::steady_clock::now();
            for (const Request& r : requests) {
                const std::string answer =
                    r.op == "next" ? tuner::next(session) : tuner::call(session, r.op, r.args, r.bytes);
                if (!rounds && r.out != "-") std::ofstream(r.out, std::ios::binary) << answer;
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
