#include "run_scenarios.h"

#include <stdlib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "page_data.h"
#include "settings/settings_file.h"

namespace tools {

namespace fs = std::filesystem;

namespace {

// What the driver needs beside it: itself and the stand-in host.
const char* const kDriverFiles[] = {"e2e_driver.exe", "ScriptHookRDR2.dll"};

std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// A file's bytes; nothing when it is missing (a run that left no log).
std::string readText(const fs::path& path) {
    std::string text;
    readSettingsFile(path.c_str(), text);
    return text;
}

// Runs a shell command with its output going to `log`; returns its exit status.
int runLogged(const std::string& command, const fs::path& log) {
    const int status = std::system((command + " >" + shellQuoted(log.string()) + " 2>&1 </dev/null").c_str());
    if (status == -1 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// The driver's own verdict lines, for a run that left no trace.
std::string failureLines(const std::string& log) {
    std::istringstream in(log);
    std::string lines;
    for (std::string line; std::getline(in, line);)
        if (line.rfind("FAIL: ", 0) == 0 || line.rfind("SKIP: ", 0) == 0) lines += (lines.empty() ? "" : "; ") + line;
    return lines.empty() ? "the driver left no trace" : lines;
}

}  // namespace

std::unique_ptr<WineDriver> WineDriver::find(const std::string& dll, const std::optional<std::string>& driver) {
    const fs::path plugin = fs::absolute(dll);
    if (!fs::is_regular_file(plugin)) throw std::runtime_error("no plug-in at " + plugin.string());
    // --driver names the driver program or the folder that holds it.
    fs::path folder = driver ? fs::path(*driver) : plugin.parent_path() / "e2e";
    if (fs::is_regular_file(folder)) folder = folder.parent_path();
    folder = fs::absolute(folder);
    for (const char* file : kDriverFiles)
        if (!fs::is_regular_file(folder / file))
            throw std::runtime_error("no " + std::string(file) + " in " + folder.string() +
                                     " (build the windows preset, or name the driver with --driver)");
    std::unique_ptr<WineDriver> d(new WineDriver);
    d->script_ = VELTRIX_E2E_SCRIPT;
    if (!fs::is_regular_file(d->script_))
        throw std::runtime_error("the Wine run script " + d->script_.string() + " is missing");
    // One prefix per build tree: made once, a minute's work, then reused.
    const char* prefix = std::getenv("VELTRIX_WINEPREFIX");
    d->prefix_ = prefix && *prefix ? fs::absolute(prefix) : plugin.parent_path() / "wineprefix";

    // The driver loads the plug-in from its own folder by the name Veltrix.asi,
    // so the DLL under test is staged beside a copy of the driver and stand-in
    // (which the destructor removes, also when staging fails).
    char pattern[] = "/tmp/veltrix-sim-wine-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("cannot make a staging folder in /tmp");
    d->staging_ = pattern;
    std::error_code ec;
    for (const char* file : kDriverFiles) fs::copy_file(folder / file, d->staging_ / file, ec);
    if (!ec) fs::copy_file(plugin, d->staging_ / "Veltrix.asi", ec);
    if (ec) throw std::runtime_error("cannot stage the driver: " + ec.message());
    return d;
}

WineDriver::~WineDriver() {
    if (started_) runLogged(scriptCommand("stop"), "/dev/null");
    std::error_code ec;
    if (!staging_.empty()) fs::remove_all(staging_, ec);
}

std::string WineDriver::scriptCommand(const std::string& verb) const {
    return "bash " + shellQuoted(script_.string()) + " " + verb + " " + shellQuoted(staging_.string()) + " " +
           shellQuoted(prefix_.string());
}

// The run script starts a Wine server under its prefix lock when none is
// running, and a server started there keeps the lock's descriptor for its
// whole life, stalling the next run until it exits. Starting the server
// from here first, with no such descriptor, keeps every run quick.
void WineDriver::startServer() const {
    std::error_code ec;
    fs::create_directories(prefix_, ec);
    const char* server = std::getenv("WINESERVER");
    runLogged("WINEPREFIX=" + shellQuoted(prefix_.string()) + " " +
                  shellQuoted(server && *server ? server : "/usr/lib/wine/wineserver") + " -p60",
              "/dev/null");
}

void WineDriver::start(std::ostream& err) {
    if (started_) return;
    started_ = true;
    if (!fs::exists(prefix_ / "system.reg"))
        err << "Setting up the Wine prefix " << prefix_.string() << " (once; a minute or two)\n" << std::flush;
    startServer();
    const fs::path log = staging_ / "start.log";
    if (runLogged(scriptCommand("start"), log) != 0)
        throw std::runtime_error("Wine does not start: " + failureLines(readText(log)));
}

sim::InProcessResult WineDriver::run(const sim::Scenario& scenario, nlohmann::json document, const fs::path& dir,
                                     const std::function<void(int, int)>& progress) const {
    if (!started_) throw std::logic_error("WineDriver::run before start");
    // The settings file travels as bytes in a file beside the scenario: a
    // JSON string holds UTF-8 text only, and a UTF-16 file, say, is not that.
    document.erase("ini");
    if (scenario.ini) {
        writeBytes(dir / "Veltrix.ini", *scenario.ini);
        document["ini_file"] = "Veltrix.ini";
    }
    const fs::path played = dir / "scenario.json";
    writeBytes(played, document.dump(2) + "\n");

    const fs::path out = dir / "wine";
    const fs::path log = dir / "wine-run.log";
    startServer();  // no-op while it runs
    if (progress) progress(0, scenario.passes);
    const int status = runLogged(scriptCommand("run") + " " + shellQuoted(played.string()) + " " +
                                     shellQuoted(out.string()),
                                 log);
    if (progress) progress(scenario.passes, scenario.passes);
    // Exit 1 with a trace is a run whose expectations failed: the caller checks
    // them itself. Anything else without a trace could not run at all.
    if (!fs::is_regular_file(out / "trace.json") || (status != 0 && status != 1))
        throw std::runtime_error("under Wine: " + failureLines(readText(log)) + " (log: " + log.string() + ")");

    sim::InProcessResult r;
    r.trace = sim::traceFromJson(nlohmann::json::parse(readText(out / "trace.json")));
    // The plug-in printed through the Windows C runtime's text mode.
    r.output = sim::withoutTextModeLineEnds(readText(out / "stdout.txt"));
    return r;
}

}  // namespace tools
