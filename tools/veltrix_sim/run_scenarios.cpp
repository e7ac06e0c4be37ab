#include "run_scenarios.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>

#include "page_data.h"
#include "settings/settings_file.h"
#include "tuner.h"

namespace tools {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// A percentage on stderr, only once a run has taken more than a moment, so
// quick runs stay quiet.
struct Progress {
    std::ostream& err;
    bool terminal;
    bool shown = false;
    int lastPercent = -1;
    Clock::time_point start = Clock::now(), lastShown = start;

    void update(double fraction, const std::string& label) {
        if (secondsSince(start) < 2.0) return;
        const int percent = static_cast<int>(fraction * 100);
        if (terminal) {
            if (secondsSince(lastShown) < 0.2 && percent == lastPercent) return;
            err << "\r\033[K" << percent << "%  " << label << std::flush;
            shown = true;
        } else {
            // A log file gets a line per tenth, not a stream of carriage returns.
            if (percent / 10 == lastPercent / 10) return;
            err << percent << "%  " << label << '\n' << std::flush;
        }
        lastPercent = percent;
        lastShown = Clock::now();
    }
    void finish() {
        if (shown) err << "\r\033[K" << std::flush;
        shown = false;
    }
};

struct ScenarioOutcome {
    std::string name;
    bool ran = false;
    std::string error;  // why it could not run
    sim::TraceSummary summary;
    bool hasExpectations = false;
    std::vector<std::string> failures;
};

std::string resultWord(const ScenarioOutcome& o) {
    if (!o.ran) return "ERROR";
    if (!o.failures.empty()) return "FAIL";
    return o.hasExpectations ? "PASS" : "-";
}

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

// A run as its page gets it: the verdict, the settings played with (bytes),
// and the trace as a replay, in the format the page's module gives its own.
json runData(const ScenarioOutcome& o, const sim::Scenario* scenario, const sim::InProcessResult& played) {
    json run = {{"name", o.name}, {"result", resultWord(o)}, {"error", o.error}, {"failures", o.failures}};
    if (!scenario) return run;
    run["settings"] = scenario->ini ? json(sim::latin1(*scenario->ini)) : json(nullptr);
    run["replay"] = sim::latin1(
        tuner::encodeReplay(*scenario, played.trace, played.output, {{"cutShort", false}, {"recorded", true}}));
    return run;
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

// The summary, made once for the console and the page: a row of figures per
// scenario, then each scenario that could not run or missed an expectation.
json summaryTable(const std::vector<ScenarioOutcome>& outcomes) {
    auto figure = [](float v) {
        char text[32];
        std::snprintf(text, sizeof text, "%.4g", static_cast<double>(v));
        return std::string(text);
    };
    json rows = json::array(), problems = json::array();
    for (const ScenarioOutcome& o : outcomes) {
        const sim::TraceSummary& s = o.summary;
        if (!o.ran)
            rows.push_back({o.name, "-", "-", "-", "-", "-", "-", "ERROR"});
        else
            rows.push_back({o.name, std::to_string(s.camerasMade), std::to_string(s.camerasDestroyed),
                            std::to_string(s.passesFollowed), std::to_string(s.passesLingered),
                            figure(s.lowestTimeScale), figure(s.finalTimeScale), resultWord(o)});
    }
    for (const ScenarioOutcome& o : outcomes) {
        if (!o.ran) problems.push_back(o.name + ": cannot run: " + o.error);
        for (const std::string& f : o.failures) problems.push_back(o.name + ": " + f);
    }
    const json head = {"scenario", "made", "destroyed", "followed", "lingered", "lowest", "at end", "expectations"};
    return {{"head", head}, {"rows", rows}, {"problems", problems}};
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

// What every scenario of one run shares.
struct Run {
    const RunOptions& options;
    Progress progress;
    std::optional<std::string> iniText;  // --ini's bytes
    std::unique_ptr<WineDriver> wine;    // --dll's runner
    fs::path outDir;
    std::set<std::string> usedNames;
};

// The settings file read, Wine started and the output folder made; false,
// said on `err`, when one cannot be.
bool prepare(Run& run, std::ostream& err) {
    const RunOptions& options = run.options;
    try {
        if (options.ini && !readSettingsFile(options.ini->c_str(), run.iniText.emplace()))
            throw std::runtime_error("cannot read " + *options.ini);
        if (options.dll) {
            run.wine = WineDriver::find(*options.dll, options.driver);
            run.wine->start(err);
        }
        run.outDir = fs::absolute(options.out);
        std::error_code ec;
        fs::create_directories(run.outDir, ec);
        if (ec) throw std::runtime_error("cannot create " + run.outDir.string() + ": " + ec.message());
    } catch (const std::exception& e) {
        err << "veltrix-sim: " << e.what() << '\n';
        return false;
    }
    return true;
}

// Scenario `index` played, in-process or under Wine, its trace and output
// written to its folder; its data for the page.
json playScenario(Run& run, size_t index, ScenarioOutcome& o) {
    const std::string& file = run.options.scenarioFiles[index];
    const size_t total = run.options.scenarioFiles.size();
    o.name = fs::path(file).stem().string();
    try {
        json document;
        sim::Scenario scenario = sim::loadScenario(file, &document);
        if (scenario.windowsOnly && !run.wine)
            throw std::runtime_error("it checks what only the real DLL shows: run it with --dll");
        if (run.iniText) scenario.ini = run.iniText;
        o.name = uniqueName(scenario.name.empty() ? o.name : scenario.name, run.usedNames);
        const fs::path dir = run.outDir / o.name;
        fs::create_directories(dir);

        const std::string label = o.name + " (" + std::to_string(index + 1) + "/" + std::to_string(total) + ")";
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

        o.ran = true;
        o.summary = sim::summarize(played.trace);
        o.failures = sim::checkExpectations(scenario, played.trace, played.output);
        o.hasExpectations = !scenario.expect.empty();
        return runData(o, &scenario, played);
    } catch (const std::exception& e) {
        o.ran = false;
        o.error = e.what();
        if (run.usedNames.count(o.name) == 0) o.name = uniqueName(o.name, run.usedNames);
        return runData(o, nullptr, {});
    }
}

// The run's data written (run.json and its page), the summary printed; the exit status.
int finish(const Run& run, const std::vector<ScenarioOutcome>& outcomes, const json& runs, std::ostream& out,
           std::ostream& err) {
    const RunOptions& options = run.options;
    const json table = summaryTable(outcomes);
    const json data = {
        {"veltrix", "run"},
        {"runner", options.dll ? "the real " + fs::u8path(*options.dll).filename().u8string() +
                                     " under Wine, with the stand-in host"
                               : "the plug-in's core in-process, with the simulated host"},
        {"settings", run.iniText ? json(sim::latin1(*run.iniText)) : json(nullptr)},
        {"runs", runs},
        {"table", table},
    };
    std::string page;  // where the page went, or why there is none
    int status = 0;
    try {
        writeBytes(run.outDir / "run.json", jsonText(data) + "\n");
        page = writePage(options.page, run.outDir / "index.html", data);
    } catch (const std::exception& e) {
        err << "veltrix-sim: " << e.what() << '\n';
        status = 2;
    }

    printSummaryTable(table, out);
    if (!page.empty()) out << page << '\n';
    for (const ScenarioOutcome& o : outcomes) {
        if (!o.ran) status = 2;
        if (o.ran && !o.failures.empty() && status == 0) status = 1;
    }
    return status;
}

}  // namespace

int runScenarios(const RunOptions& options, std::ostream& out, std::ostream& err) {
    Run run{options, {err, &err == &std::cerr && isatty(STDERR_FILENO)}, {}, {}, {}, {}};
    if (!prepare(run, err)) return 2;
    std::vector<ScenarioOutcome> outcomes(options.scenarioFiles.size());
    json runs = json::array();
    for (size_t index = 0; index < outcomes.size(); ++index) runs.push_back(playScenario(run, index, outcomes[index]));
    run.progress.finish();
    return finish(run, outcomes, runs, out, err);
}

}  // namespace tools
