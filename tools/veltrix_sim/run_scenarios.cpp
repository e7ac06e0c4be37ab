#include "run_scenarios.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>

#include "page_data.h"
#include "replay_blob.h"
#include "run_in_process.h"
#include "wine_driver.h"

namespace tools {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// A percentage on stderr, only once a run has taken more than a moment, so
// quick runs stay quiet.
class Progress {
public:
    Progress(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}

    void update(double fraction, const std::string& label) {
        const double elapsed = secondsSince(start_);
        if (elapsed < 2.0) return;
        const int percent = static_cast<int>(fraction * 100);
        if (terminal_) {
            if (secondsSince(lastShown_) < 0.2 && percent == lastPercent_) return;
            err_ << "\r\033[K" << percent << "%  " << label << std::flush;
            shown_ = true;
        } else {
            // A log file gets a line per tenth, not a stream of carriage returns.
            if (percent / 10 == lastPercent_ / 10) return;
            err_ << percent << "%  " << label << '\n' << std::flush;
        }
        lastPercent_ = percent;
        lastShown_ = std::chrono::steady_clock::now();
    }
    void finish() {
        if (shown_) err_ << "\r\033[K" << std::flush;
        shown_ = false;
    }

private:
    using Clock = std::chrono::steady_clock;
    static double secondsSince(Clock::time_point t) {
        return std::chrono::duration<double>(Clock::now() - t).count();
    }
    std::ostream& err_;
    bool terminal_;
    bool shown_ = false;
    int lastPercent_ = -1;
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastShown_ = Clock::now();
};

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

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
json runData(const ScenarioOutcome& o, const sim::Scenario* scenario, const sim::Trace& trace,
             const std::string& output) {
    json run = {{"name", o.name}, {"result", resultWord(o)}, {"error", o.error}, {"failures", o.failures}};
    if (!scenario) return run;
    run["settings"] = scenario->ini ? json(latin1(*scenario->ini)) : json(nullptr);
    run["replay"] = latin1(tuner::encodeReplay(*scenario, trace, output, {{"cutShort", false}, {"recorded", true}}));
    return run;
}

// The tuner page with the run in it, at `to`. Without a page to write it
// from (a build without the wasm preset's) the run is no less a run: a word
// in `note`, and the data stays in run.json. A page asked for by name must be there.
void writePage(const std::string& given, const fs::path& to, const json& data, std::string& note) {
    const std::vector<fs::path> candidates = tunerPageCandidates(given, {});
    const std::optional<fs::path> found = findPage(candidates);
    if (!found && !given.empty()) throw std::runtime_error("no tuner page at " + given);
    if (!found) {
        note = "No page: no tuner page at " + candidates.back().u8string() +
               " (cmake --preset wasm && cmake --build --preset wasm); the run's data is in " +
               (to.parent_path() / "run.json").u8string();
        return;
    }
    writePageWithData(*found, to, data);
    note = "Report: " + to.u8string();
}

}  // namespace

SummaryTable summaryTable(const std::vector<ScenarioOutcome>& outcomes) {
    SummaryTable t;
    t.head = {"scenario", "made", "destroyed", "followed", "lingered", "lowest", "at end", "expectations"};
    auto figure = [](float v) {
        char text[32];
        std::snprintf(text, sizeof text, "%.4g", static_cast<double>(v));
        return std::string(text);
    };
    for (const ScenarioOutcome& o : outcomes) {
        const sim::TraceSummary& s = o.summary;
        if (!o.ran)
            t.rows.push_back({o.name, "-", "-", "-", "-", "-", "-", "ERROR"});
        else
            t.rows.push_back({o.name, std::to_string(s.camerasMade), std::to_string(s.camerasDestroyed),
                              std::to_string(s.passesFollowed), std::to_string(s.passesLingered),
                              figure(s.lowestTimeScale), figure(s.finalTimeScale), resultWord(o)});
    }
    for (const ScenarioOutcome& o : outcomes) {
        if (!o.ran) t.problems.push_back(o.name + ": cannot run: " + o.error);
        for (const std::string& f : o.failures) t.problems.push_back(o.name + ": " + f);
    }
    return t;
}

void printSummaryTable(const std::vector<ScenarioOutcome>& outcomes, std::ostream& out) {
    const SummaryTable t = summaryTable(outcomes);
    // Each column's width; the name's left-aligned, the verdict after two spaces.
    constexpr int kWidths[] = {-22, 5, 9, 8, 8, 8, 7};
    auto print = [&](const std::vector<std::string>& cells) {
        char cell[256];
        for (size_t k = 0; k < 7; ++k) {
            std::snprintf(cell, sizeof cell, k ? " %*s" : "%*s", kWidths[k], cells[k].c_str());
            out << cell;
        }
        out << "  " << cells[7] << '\n';
    };
    print(t.head);
    for (const std::vector<std::string>& row : t.rows) print(row);
    for (const std::string& p : t.problems) out << p << '\n';
}

int runScenarios(const RunOptions& options, std::ostream& out, std::ostream& err) {
    std::optional<std::string> iniText;
    if (options.ini) {
        std::string text;
        if (!readBytes(fs::u8path(*options.ini), text)) {
            err << "veltrix-sim: cannot read " << *options.ini << '\n';
            return 2;
        }
        iniText = text;
    }
    std::unique_ptr<WineDriver> wine;
    if (options.dll) {
        std::string problem;
        std::optional<WineDriver> found = WineDriver::find(*options.dll, options.driver, problem);
        if (!found) {
            err << "veltrix-sim: " << problem << '\n';
            return 2;
        }
        wine = std::make_unique<WineDriver>(std::move(*found));
        try {
            wine->start(err);
        } catch (const std::exception& e) {
            err << "veltrix-sim: " << e.what() << '\n';
            return 2;
        }
    }

    const fs::path outDir = fs::absolute(options.out);
    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (ec) {
        err << "veltrix-sim: cannot create " << outDir.string() << ": " << ec.message() << '\n';
        return 2;
    }

    Progress progress(err, &err == &std::cerr && isatty(STDERR_FILENO));
    std::vector<ScenarioOutcome> outcomes;
    json runs = json::array();
    std::set<std::string> usedNames;
    const size_t total = options.scenarioFiles.size();
    for (size_t index = 0; index < total; ++index) {
        ScenarioOutcome o;
        o.file = options.scenarioFiles[index];
        o.name = fs::path(o.file).stem().string();
        try {
            sim::Scenario scenario = sim::loadScenario(o.file);
            if (scenario.windowsOnly && !wine)
                throw std::runtime_error("it checks what only the real DLL shows: run it with --dll");
            if (iniText) scenario.ini = iniText;
            o.name = uniqueName(scenario.name.empty() ? o.name : scenario.name, usedNames);
            o.description = scenario.description;
            const fs::path dir = outDir / o.name;
            fs::create_directories(dir);
            o.directory = dir.string();

            const std::string label = o.name + " (" + std::to_string(index + 1) + "/" + std::to_string(total) + ")";
            auto onPass = [&](int pass, int passes) {
                progress.update((static_cast<double>(index) + static_cast<double>(pass) / passes) / total, label);
            };
            progress.update(static_cast<double>(index) / total, label);

            sim::Trace trace;
            std::string output;
            if (wine) {
                WineRun run = wine->run(scenario, o.file, dir, onPass);
                trace = std::move(run.trace);
                output = std::move(run.output);
            } else {
                sim::InProcessResult run = sim::runInProcess(scenario, (dir / "work").string(), onPass);
                trace = std::move(run.trace);
                output = std::move(run.output);
            }
            writeFile(dir / "trace.json", sim::traceToJson(trace).dump(1) + "\n");
            sim::writeTraceCsv(trace, (dir / "trace.csv").string());
            writeFile(dir / "output.txt", output);

            o.ran = true;
            o.summary = sim::summarize(trace);
            o.failures = sim::checkExpectations(scenario, trace, output);
            o.hasExpectations = !scenario.expect.empty();
            runs.push_back(runData(o, &scenario, trace, output));
        } catch (const std::exception& e) {
            o.ran = false;
            o.error = e.what();
            if (usedNames.count(o.name) == 0) o.name = uniqueName(o.name, usedNames);
        }
        if (!o.ran) runs.push_back(runData(o, nullptr, {}, {}));
        outcomes.push_back(o);
    }
    progress.finish();

    const SummaryTable table = summaryTable(outcomes);
    const json data = {
        {"veltrix", "run"},
        {"runner", options.dll ? "the real " + fs::u8path(*options.dll).filename().u8string() +
                                     " under Wine, with the stand-in host"
                               : "the plug-in's core in-process, with the simulated host"},
        {"settings", iniText ? json(latin1(*iniText)) : json(nullptr)},
        {"runs", runs},
        {"table", {{"head", table.head}, {"rows", table.rows}, {"problems", table.problems}}},
    };
    std::string page;  // where the page went, or why there is none
    int status = 0;
    try {
        writeFile(outDir / "run.json", data.dump(-1, ' ', false, json::error_handler_t::replace) + "\n");
        writePage(options.page, outDir / "index.html", data, page);
    } catch (const std::exception& e) {
        err << "veltrix-sim: " << e.what() << '\n';
        status = 2;
    }

    printSummaryTable(outcomes, out);
    if (!page.empty()) out << page << '\n';
    for (const ScenarioOutcome& o : outcomes) {
        if (!o.ran) status = 2;
        if (o.ran && !o.failures.empty() && status == 0) status = 1;
    }
    return status;
}

}  // namespace tools
