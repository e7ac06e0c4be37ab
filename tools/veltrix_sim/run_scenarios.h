// veltrix-sim run: scenario files through the plug-in, with traces, a page
// and a summary table.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tools {

struct RunOptions {
    std::vector<std::string> scenarioFiles;
    std::optional<std::string> ini;     // settings file that replaces every scenario's own
    std::optional<std::string> dll;     // run this Veltrix.asi under Wine instead of in-process
    std::optional<std::string> driver;  // the Windows scenario driver; found beside the DLL when not given
    std::string out = "out/sim";
    std::string page;  // the tuner page to show the run in; empty: the one this build made
};

// Runs every scenario, writes <out>/<name>/{trace.csv,trace.json,output.txt},
// the run's data as <out>/run.json and the tuner page showing it as
// <out>/index.html, prints the summary table on `out`; progress and
// errors go to `err`. Returns 0 when all ran and met their expectations, 1
// when an expectation failed, 2 when a scenario could not run.
int runScenarios(const RunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tools
