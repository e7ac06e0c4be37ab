// Plays a scenario against the plug-in's core linked into this process.
#pragma once

#include <string>

#include "scenario.h"

namespace sim {

struct InProcessResult {
    Trace trace;
    std::string output;  // what the plug-in printed on standard output
};

// Runs in `workDirectory` (made, and given the scenario's "Veltrix.ini");
// the previous working directory is restored afterwards.
// `progress`, if set, is called after every pass with (pass, passes).
InProcessResult runInProcess(const Scenario& scenario, const std::string& workDirectory,
                             const std::function<void(int, int)>& progress = {});

}  // namespace sim
