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

json runData(const ScenarioOutcome& o, const json& scenario, const std::optional<std::string>& settings,
             const sim::Trace& trace, const std::string& output) {
    json run = {{"file", o.file}, {"name", o.name}, {"description", o.description}, {"result", resultWord(o)},
                {"error", o.error}, {"failures", o.failures}};
    if (!o.ran) return run;
    const sim::TraceSummary& s = o.summary;
    run["summary"] = {{"made", s.camerasMade},         {"destroyed", s.camerasDestroyed},
                      {"followed", s.passesFollowed},  {"lingered", s.passesLingered},
                      {"lowest", sim::floatJson(s.lowestTimeScale)}, {"atEnd", sim::floatJson(s.finalTimeScale)}};
    run["scenario"] = scenario;
    run["settings"] = settings ? json(latin1(*settings)) : json(nullptr);
    run["trace"] = sim::traceToJson(trace);
    run["output"] = latin1(output);
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

void printSummaryTable(const std::vector<ScenarioOutcome>& outcomes, std::ostream& out) {
    char line[256];
    std::snprintf(line, sizeof line, "%-22s %5s %9s %8s %8s %8s %7s  %s\n", "scenario", "made", "destroyed",
                  "followed", "lingered", "lowest", "at end", "expectations");
    out << line;
    for (const ScenarioOutcome& o : outcomes) {
        if (!o.ran) {
            std::snprintf(line, sizeof line, "%-22s %5s %9s %8s %8s %8s %7s  %s\n", o.name.c_str(), "-", "-", "-",
                          "-", "-", "-", "ERROR");
        } else {
            const sim::TraceSummary& s = o.summary;
            std::snprintf(line, sizeof line, "%-22s %5d %9d %8d %8d %8.4g %7.4g  %s\n", o.name.c_str(),
                          s.camerasMade, s.camerasDestroyed, s.passesFollowed, s.passesLingered,
                          static_cast<double>(s.lowestTimeScale), static_cast<double>(s.finalTimeScale),
                          resultWord(o).c_str());
        }
        out << line;
    }
    for (const ScenarioOutcome& o : outcomes) {
        if (!o.ran) out << o.name << ": cannot run: " << o.error << '\n';
        for (const std::string& f : o.failures) out << o.name << ": " << f << '\n';
    }
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
            json document;  // for the page to draw the world from
            sim::Scenario scenario = sim::loadScenario(o.file, &document);
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
            document.erase("ini");  // the settings travel apart, as bytes
            runs.push_back(runData(o, document, scenario.ini, trace, output));
        } catch (const std::exception& e) {
            o.ran = false;
            o.error = e.what();
            if (usedNames.count(o.name) == 0) o.name = uniqueName(o.name, usedNames);
        }
        if (!o.ran) runs.push_back(runData(o, nullptr, std::nullopt, {}, {}));
        outcomes.push_back(o);
    }
    progress.finish();

    const json data = {
        {"veltrix", "run"},
        {"runner", options.dll ? "the real " + fs::u8path(*options.dll).filename().u8string() +
                                     " under Wine, with the stand-in host"
                               : "the plug-in's core in-process, with the simulated host"},
        {"settings", iniText ? json(latin1(*iniText)) : json(nullptr)},
        {"runs", runs},
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
