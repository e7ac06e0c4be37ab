// Runs scenarios against the real Veltrix.asi under Wine, through the
// end-to-end driver of the Windows build (e2e_driver.exe with the stand-in
// host library), by way of tests/e2e/run_e2e.sh, which owns the Wine set-up.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "run_in_process.h"

namespace tools {

class WineDriver {
public:
    // `driver` is e2e_driver.exe or the folder that holds it (with the
    // stand-in host); by default the "e2e" folder beside the DLL, as the
    // windows preset builds it. Throws std::runtime_error when something is missing.
    static std::unique_ptr<WineDriver> find(const std::string& dll, const std::optional<std::string>& driver);
    ~WineDriver();

    // Starts Wine for the runs (making its prefix on first use, which takes a
    // minute or two; `err` hears about that). Throws std::runtime_error when
    // Wine does not start.
    void start(std::ostream& err);

    // Plays `scenario` (`document` is its file's JSON; its settings file goes
    // beside it in `dir` as it is, byte for byte) and leaves the driver's
    // files in `dir`/wine. The trace and what the plug-in printed, line ends
    // as LF, as an in-process run gives them. Throws std::runtime_error when
    // the run produces no trace.
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
