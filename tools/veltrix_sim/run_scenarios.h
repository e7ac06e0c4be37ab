// veltrix-sim run: scenario files through the plug-in, with traces, a page
// and a summary table.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "run_in_process.h"

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

// Runs scenarios against the real Veltrix.asi under Wine (wine_driver.cpp),
// through the end-to-end driver of the Windows build (e2e_driver.exe with the
// stand-in host library), by way of tests/e2e/run_e2e.sh, which owns the Wine set-up.
class WineDriver {
public:
    // `driver` is e2e_driver.exe or the folder that holds it (with the
    // stand-in host); by default the "e2e" folder beside the DLL, as the
    // windows preset builds it. Throws std::runtime_error when something is missing.
    static std::unique_ptr<WineDriver> find(const std::string& dll, const std::optional<std::string>& driver);
    ~WineDriver();

    // Starts Wine for the runs, making its prefix on first use (a minute or
    // two; `err` hears of it). Throws std::runtime_error when it does not start.
    void start(std::ostream& err);

    // Plays `scenario` (`document`: its file's JSON; its settings file goes
    // beside it in `dir`, byte for byte), leaving the driver's files in
    // `dir`/wine; the result as an in-process run gives it. Throws
    // std::runtime_error when the run produces no trace.
    sim::InProcessResult run(const sim::Scenario& scenario, nlohmann::json document, const std::filesystem::path& dir,
                             const std::function<void(int, int)>& progress) const;

private:
    WineDriver() = default;
    void startServer() const;
    // The run script's command `verb` for this staging folder and prefix.
    std::string scriptCommand(const std::string& verb) const;

    std::filesystem::path script_, prefix_, staging_;
    bool started_ = false;
};

}  // namespace tools
