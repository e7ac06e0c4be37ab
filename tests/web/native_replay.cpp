// The tuner's replays, natively: the plug-in's core on the simulator's
// coroutine runner, which runs ScriptMain itself. The node tests hold the
// WebAssembly module's replays against these, byte for byte.
//
//   native_replay WORKDIR < jobs     one job a line: SETTINGS<TAB>SCENARIO<TAB>OUT
//                                    (SETTINGS "-": the scenario's own)
#include <fstream>
#include <iostream>
#include <sstream>

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

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: native_replay WORKDIR < jobs\n";
        return 2;
    }
    try {
        for (std::string line; std::getline(std::cin, line);) {
            std::istringstream fields(line);
            std::string settings, scenario, out;
            if (!std::getline(fields, settings, '\t') || !std::getline(fields, scenario, '\t') ||
                !std::getline(fields, out))
                throw std::runtime_error("a job is SETTINGS<TAB>SCENARIO<TAB>OUT: " + line);
            const std::string file = settings == "-" ? std::string() : readBytes(settings);
            const std::string blob = tuner::replay(readBytes(scenario), settings == "-" ? nullptr : &file, argv[1]);
            std::ofstream(out, std::ios::binary) << blob;
        }
    } catch (const std::exception& e) {
        std::cerr << "native_replay: " << e.what() << "\n";
        return 2;
    }
    return 0;
}
