// Runs scenarios against the real Veltrix.asi under Wine, through the
// end-to-end driver of the Windows build (e2e_driver.exe with the stand-in
// host library), by way of tests/e2e/run_e2e.sh, which owns the Wine set-up.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "scenario.h"

namespace tools {

struct WineRun {
    sim::Trace trace;
    std::string output;  // what the plug-in printed, line ends as LF
};

class WineDriver {
public:
    // `driver` is e2e_driver.exe or the folder that holds it (with the
    // stand-in host); by default the "e2e" folder beside the DLL, as the
    // windows preset builds it. Empty, with the reason, when something is missing.
    static std::optional<WineDriver> find(const std::string& dll, const std::optional<std::string>& driver,
                                          std::string& problem);
    ~WineDriver();
    WineDriver(WineDriver&&) noexcept;
    WineDriver(const WineDriver&) = delete;

    // Starts Wine for the runs (making its prefix on first use, which takes a
    // minute or two; `err` hears about that). Throws std::runtime_error when
    // Wine does not start.
    void start(std::ostream& err) const;

    // Plays `scenario` (read from `scenarioFile`, with its settings file as
    // given, which goes beside the scenario in `dir` as it is, byte for byte)
    // and leaves the driver's files in `dir`/wine. Throws
    // std::runtime_error when the run produces no trace.
    WineRun run(const sim::Scenario& scenario, const std::string& scenarioFile, const std::filesystem::path& dir,
                const std::function<void(int, int)>& progress) const;

private:
    WineDriver() = default;
    void startServer() const;

    std::filesystem::path dll_, driverDir_, script_, prefix_, staging_;
    mutable bool started_ = false;
    bool owner_ = true;
};

}  // namespace tools
