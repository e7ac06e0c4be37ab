// Instruction counts of the pass and of its floor, for a figure that holds on
// a noisy machine: run under callgrind (bench/run.sh does), this program
// enters each steady state at 1024 objects, then collects the instructions of
// one batch of passes, and of the same host calls replayed, and dumps each
// count under its name ("pass/idle/1024", "floor/idle/1024", ...). Outside
// callgrind the client requests do nothing and it only checks the states.
#include <valgrind/callgrind.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "scenario.h"

namespace {

constexpr int32_t kObjects = 1024;

// Collects the instructions of `work` alone and dumps them under `name`.
template <class Work>
void measure(const std::string& name, Work work) {
    CALLGRIND_TOGGLE_COLLECT;
    work();
    CALLGRIND_TOGGLE_COLLECT;
    CALLGRIND_DUMP_STATS_AT(name.c_str());
}

}  // namespace

int main() {
    static int32_t buffer[fast::kSnapshotCapacity];
    for (bench::State state : bench::kStates) {
        const std::string suffix = std::string(bench::stateName(state)) + "/" + std::to_string(kObjects);
        try {
            bench::Scenario scenario(state, kObjects);
            fast::Trace trace;
            scenario.recordPass(trace);

            scenario.restore();
            measure("pass/" + suffix, [&] {
                for (int i = 0; i < bench::kBatch; ++i) scenario.pass();
            });
            if (!scenario.inState()) throw std::runtime_error("left the state during the counted passes");
            measure("floor/" + suffix, [&] {
                for (int i = 0; i < bench::kBatch; ++i) fast::replay(trace, buffer);
            });
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", suffix.c_str(), e.what());
            return 1;
        }
    }
    std::printf("passes per count: %d\n", bench::kBatch);
    return 0;
}
