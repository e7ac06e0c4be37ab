#include "run_scenarios.h"

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>

#include "run_in_process.h"
#include "settings/settings_file.h"
#include "settings_report.h"
#include "tuner.h"

namespace tools {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// ---- Under Wine ----------------------------------------------------------------------------
// The real Veltrix.asi played through the end-to-end driver of the Windows
// build (e2e_driver.exe with the stand-in host library), by way of
// tests/e2e/run_e2e.sh, which owns the Wine set-up.
class WineDriver {
public:
    // The DLL staged beside the driver and Wine started, its prefix made on
    // first use (a minute or two; `err` hears of it). `driver`: e2e_driver.exe
    // or the folder that holds it (default: "e2e" beside the DLL, as the
    // windows preset builds it). Throws std::runtime_error with what is
    // missing, or when Wine does not start.
    static std::unique_ptr<WineDriver> start(const std::string& dll, const std::optional<std::string>& driver,
                                             std::ostream& err);
    ~WineDriver();
    // Plays `scenario` (`document`: its file's JSON) with its settings file
    // beside it in `dir`, byte for byte; the driver's files go to `dir`/wine.
    // Throws std::runtime_error when the run leaves no trace.
    sim::InProcessResult run(const sim::Scenario& scenario, json document, const fs::path& dir,
                             const std::function<void(int, int)>& progress) const;

private:
    WineDriver() = default;
    void startServer() const;
    // The run script's command `verb` for this staging folder and prefix.
    std::string scriptCommand(const std::string& verb) const;

    fs::path script_, prefix_, staging_;
    bool started_ = false;
};

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

// The command's exit status, its output going to `log`.
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

std::unique_ptr<WineDriver> WineDriver::start(const std::string& dll, const std::optional<std::string>& driver,
                                              std::ostream& err) {
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

    if (!fs::exists(d->prefix_ / "system.reg"))
        err << "Setting up the Wine prefix " << d->prefix_.string() << " (once; a minute or two)\n" << std::flush;
    d->startServer();
    d->started_ = true;
    const fs::path log = d->staging_ / "start.log";
    if (runLogged(d->scriptCommand("start"), log) != 0)
        throw std::runtime_error("Wine does not start: " + failureLines(readText(log)));
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
    const std::string wineserver = server && *server ? server : "/usr/lib/wine/wineserver";
    runLogged("WINEPREFIX=" + shellQuoted(prefix_.string()) + " " + shellQuoted(wineserver) + " -p60", "/dev/null");
}

sim::InProcessResult WineDriver::run(const sim::Scenario& scenario, json document, const fs::path& dir,
                                     const std::function<void(int, int)>& progress) const {
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
    progress(0, scenario.passes);
    const int status =
        runLogged(scriptCommand("run") + " " + shellQuoted(played.string()) + " " + shellQuoted(out.string()), log);
    progress(scenario.passes, scenario.passes);
    // Exit 1 with a trace is a run whose expectations failed: the caller checks
    // them itself. Anything else without a trace could not run at all.
    if (!fs::is_regular_file(out / "trace.json") || (status != 0 && status != 1))
        throw std::runtime_error("under Wine: " + failureLines(readText(log)) + " (log: " + log.string() + ")");

    sim::InProcessResult r;
    r.trace = sim::traceFromJson(json::parse(readText(out / "trace.json")));
    // The plug-in printed through the Windows C runtime's text mode.
    r.output = sim::withoutTextModeLineEnds(readText(out / "stdout.txt"));
    return r;
}

// ---- The run -------------------------------------------------------------------------------
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// A percentage on stderr, only once a run has taken more than a moment, so
// quick runs stay quiet.
struct Progress {
    std::ostream& err;
    bool terminal;
    int lastPercent = -1;  // -1: nothing shown yet
    Clock::time_point start = Clock::now(), lastShown = start;

    void update(double fraction, const std::string& label) {
        if (secondsSince(start) < 2.0) return;
        const int percent = static_cast<int>(fraction * 100);
        if (terminal) {
            if (secondsSince(lastShown) < 0.2 && percent == lastPercent) return;
            err << "\r\033[K" << percent << "%  " << label << std::flush;
        } else {
            // A log file gets a line per tenth, not a stream of carriage returns.
            if (percent / 10 == lastPercent / 10) return;
            err << percent << "%  " << label << '\n' << std::flush;
        }
        lastPercent = percent;
        lastShown = Clock::now();
    }
    void finish() const {
        if (terminal && lastPercent >= 0) err << "\r\033[K" << std::flush;
    }
};

// Directory names stay unique within one run.
std::string uniqueName(std::string name, std::set<std::string>& used) {
    for (char& c : name)
        if (c == '/' || c == '\\' || c == ':' || c == ' ') c = '_';
    if (name.empty() || name == "." || name == "..") name = "scenario";
    std::string candidate = name;
    for (int k = 2; used.count(candidate); ++k) candidate = name + "-" + std::to_string(k);
    used.insert(candidate);
    return candidate;
}

// The tuner page with the run in it, at `to`; says where it went. Without a
// page to write it from (a build without the wasm preset's) the run is no less
// a run, and its data stays in run.json. A page asked for by name must be there.
std::string writePage(const std::string& given, const fs::path& to, const json& data) {
    const std::vector<fs::path> candidates = tunerPageCandidates(given, {});
    if (writeTunerPage(candidates, to, data)) return "Report: " + to.u8string();
    if (!given.empty()) throw std::runtime_error("no tuner page at " + given);
    return "No page: no tuner page at " + candidates.back().u8string() +
           " (cmake --preset wasm && cmake --build --preset wasm); the run's data is in " +
           (to.parent_path() / "run.json").u8string();
}

// A time scale as the summary shows it.
std::string figure(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", static_cast<double>(v));
    return text;
}

void printSummaryTable(const json& table, std::ostream& out) {
    // Each column's width; the name's left-aligned, the verdict after two spaces.
    constexpr int kWidths[] = {-22, 5, 9, 8, 8, 8, 7};
    auto print = [&](const json& cells) {
        char cell[256];
        for (size_t k = 0; k < 7; ++k) {
            std::snprintf(cell, sizeof cell, k ? " %*s" : "%*s", kWidths[k], cells[k].get<std::string>().c_str());
            out << cell;
        }
        out << "  " << cells[7].get<std::string>() << '\n';
    };
    print(table["head"]);
    for (const json& row : table["rows"]) print(row);
    for (const json& problem : table["problems"]) out << problem.get<std::string>() << '\n';
}

// What every scenario of one run shares, and what each adds: its data for the
// page, and the summary, made once for the console and the page (a row of
// figures per scenario, then each that could not run or missed an expectation).
struct Run {
    const RunOptions& options;
    Progress progress;
    std::optional<std::string> iniText;  // --ini's bytes
    std::unique_ptr<WineDriver> wine;    // --dll's runner
    fs::path outDir;
    std::set<std::string> usedNames;
    json runs = json::array(), rows = json::array(), problems = json::array();
    int status = 0;  // 2: a scenario could not run; else 1: an expectation failed
};

// Scenario `index` played, in-process or under Wine, its trace and output
// written to its folder, its data and its row added.
void playScenario(Run& run, size_t index) {
    const std::string& file = run.options.scenarioFiles[index];
    const size_t total = run.options.scenarioFiles.size();
    std::string name = fs::path(file).stem().string();
    try {
        json document;
        sim::Scenario scenario = sim::loadScenario(file, &document);
        if (scenario.windowsOnly && !run.wine)
            throw std::runtime_error("it checks what only the real DLL shows: run it with --dll");
        if (run.iniText) scenario.ini = run.iniText;
        name = uniqueName(scenario.name.empty() ? name : scenario.name, run.usedNames);
        const fs::path dir = run.outDir / name;
        fs::create_directories(dir);

        const std::string label = name + " (" + std::to_string(index + 1) + "/" + std::to_string(total) + ")";
        auto onPass = [&](int pass, int passes) {
            run.progress.update((static_cast<double>(index) + static_cast<double>(pass) / passes) / total, label);
        };
        run.progress.update(static_cast<double>(index) / total, label);
        const sim::InProcessResult played = run.wine
                                                ? run.wine->run(scenario, document, dir, onPass)
                                                : sim::runInProcess(scenario, (dir / "work").string(), onPass);
        writeBytes(dir / "trace.json", sim::traceToJson(played.trace).dump(1) + "\n");
        sim::writeTraceCsv(played.trace, (dir / "trace.csv").string());
        writeBytes(dir / "output.txt", played.output);

        const std::vector<std::string> failures = sim::checkExpectations(scenario, played.trace, played.output);
        const std::string result = !failures.empty() ? "FAIL" : scenario.expect.empty() ? "-" : "PASS";
        // The trace as a replay, in the format the page's module gives its own.
        const std::string replay =
            tuner::encodeReplay(scenario, played.trace, played.output, {{"cutShort", false}, {"recorded", true}});
        const sim::TraceSummary s = sim::summarize(played.trace);
        run.rows.push_back({name, std::to_string(s.camerasMade), std::to_string(s.camerasDestroyed),
                            std::to_string(s.passesFollowed), std::to_string(s.passesLingered),
                            figure(s.lowestTimeScale), figure(s.finalTimeScale), result});
        for (const std::string& f : failures) run.problems.push_back(name + ": " + f);
        if (!failures.empty() && run.status == 0) run.status = 1;
        run.runs.push_back({{"name", name}, {"result", result}, {"error", ""}, {"failures", failures},
                            {"settings", scenario.ini ? json(sim::latin1(*scenario.ini)) : json(nullptr)},
                            {"replay", sim::latin1(replay)}});
    } catch (const std::exception& e) {
        if (run.usedNames.count(name) == 0) name = uniqueName(name, run.usedNames);
        run.rows.push_back({name, "-", "-", "-", "-", "-", "-", "ERROR"});
        run.problems.push_back(name + ": cannot run: " + e.what());
        run.status = 2;
        run.runs.push_back({{"name", name}, {"result", "ERROR"}, {"error", e.what()}, {"failures", json::array()}});
    }
}

// The run's data written (run.json and its page), the summary printed; the exit status.
int finish(Run& run, std::ostream& out, std::ostream& err) {
    const RunOptions& options = run.options;
    const json head = {"scenario", "made", "destroyed", "followed", "lingered", "lowest", "at end", "expectations"};
    const json table = {{"head", head}, {"rows", run.rows}, {"problems", run.problems}};
    const json data = {
        {"veltrix", "run"},
        {"runner", options.dll ? "the real " + fs::u8path(*options.dll).filename().u8string() +
                                     " under Wine, with the stand-in host"
                               : "the plug-in's core in-process, with the simulated host"},
        {"settings", run.iniText ? json(sim::latin1(*run.iniText)) : json(nullptr)},
        {"runs", run.runs},
        {"table", table},
    };
    std::string page;  // where the page went, or why there is none
    try {
        writeBytes(run.outDir / "run.json", jsonText(data) + "\n");
        page = writePage(options.page, run.outDir / "index.html", data);
    } catch (const std::exception& e) {
        err << "veltrix-sim: " << e.what() << '\n';
        run.status = 2;
    }
    printSummaryTable(table, out);
    if (!page.empty()) out << page << '\n';
    return run.status;
}

}  // namespace

int runScenarios(const RunOptions& options, std::ostream& out, std::ostream& err) {
    Run run{options, {err, &err == &std::cerr && isatty(STDERR_FILENO)}, {}, {}, {}, {}};
    // The settings file read, Wine started and the output folder made.
    try {
        if (options.ini && !readSettingsFile(options.ini->c_str(), run.iniText.emplace()))
            throw std::runtime_error("cannot read " + *options.ini);
        if (options.dll) run.wine = WineDriver::start(*options.dll, options.driver, err);
        run.outDir = fs::absolute(options.out);
        std::error_code ec;
        fs::create_directories(run.outDir, ec);
        if (ec) throw std::runtime_error("cannot create " + run.outDir.string() + ": " + ec.message());
    } catch (const std::exception& e) {
        err << "veltrix-sim: " << e.what() << '\n';
        return 2;
    }
    for (size_t index = 0; index < options.scenarioFiles.size(); ++index) playScenario(run, index);
    run.progress.finish();
    return finish(run, out, err);
}

}  // namespace tools
