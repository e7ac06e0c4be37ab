// Plays a scenario against the plug-in's core linked into this process.
#pragma once

#include <string>

#include "scenario.h"

namespace sim {

struct InProcessResult {
    Trace trace;
    std::string output;     // what the plug-in printed on standard output
    bool cutShort = false;  // played to the end, a camera was still live after the most passes
};

// What a C runtime that writes each line feed as CR LF (Windows' text mode)
// was given: one carriage return before each line feed goes; any that the
// writer wrote itself stay.
std::string withoutTextModeLineEnds(const std::string& written);

// Passes that a run to the end may add after the scenario's own: as many as a
// shot camera lives at most, so that one started in the last pass still ends.
extern const int kMostPassesAfterScenario;

// Runs in `workDirectory` (made, and given the scenario's "Veltrix.ini");
// the previous working directory is restored afterwards.
// `progress`, if set, is called after every pass with (pass, passes).
// `toEnd`: after the scenario's own passes the world goes on, with no more
// events, for as long as a scripted camera is live (at most
// kMostPassesAfterScenario passes more), so that settings which keep a camera
// long are seen to their end.
InProcessResult runInProcess(const Scenario& scenario, const std::string& workDirectory,
                             const std::function<void(int, int)>& progress = {}, bool toEnd = false);

}  // namespace sim
