#include "check_page.h"

#include <sstream>

#include "meaning_table.h"
#include "run_in_process.h"

namespace tools {

namespace fs = std::filesystem;

// ---- The check ------------------------------------------------------------------------
CheckOutcome checkSettings(const std::string& path, const std::string* file, const fs::path& scratch) {
    CheckOutcome outcome;
    outcome.report = analyseIniText(path, file);
    outcome.meaning = meaningOf(outcome.report.numbers);
    if (!file) return outcome;

    // The plug-in reads "Veltrix.ini" from its working directory: each run
    // gets a folder under `scratch` with the file in it, named plainly so
    // that the path works whatever letters the scratch folder's own has.
    const fs::path previous = fs::current_path();
    fs::current_path(scratch);
    for (size_t k = 0; k < kBundledScenarioCount; ++k) {
        PreviewRun run;
        try {
            run.scenario = sim::parseScenario(nlohmann::json::parse(kBundledScenarios[k].json));
            run.scenario.ini = *file;
            const sim::InProcessResult result = sim::runInProcess(run.scenario, "preview-" + std::to_string(k));
            run.trace = result.trace;
            run.facts.runner = "the plug-in's core with these settings, in a simulated game";
            run.facts.summary = sim::summarize(run.trace);
            run.facts.output = result.output;
            run.facts.preview = true;
        } catch (const std::exception& e) {
            run.error = e.what();
        }
        outcome.previews.push_back(std::move(run));
    }
    fs::current_path(previous);
    return outcome;
}

// ---- The page -------------------------------------------------------------------------
namespace {

const char* const kCheckStyle = R"(
ul.warnings li { margin: 3px 0; } .warn { color: #b71c1c; } .ok { color: #2e7d32; }
table.lines td.text { font: 12px ui-monospace, monospace; white-space: pre-wrap; word-break: break-all; }
table.lines td.n { color: #888; text-align: right; } table.lines tr.warned td { background: #fff3e0; }
section.run { border-top: 2px solid #ddd; margin-top: 28px; }
nav a { margin-right: 12px; }
)";

int framesFollowed(const CheckOutcome& o, const char* scenario, const char* mode) {
    for (const PreviewRun& run : o.previews)
        if (run.error.empty() && run.scenario.name == scenario)
            for (const sim::CameraLife& life : run.trace.cameras)
                if (life.mode == mode) return life.followed;
    return -1;
}

// What the numbers mean to a player, at 60 frames a second.
std::string meaningTable(const CheckOutcome& o) {
    const MeaningTable t = tools::meaningTable(o.report, o.meaning, framesFollowed(o, "knife", "blade"));
    std::ostringstream html;
    html << "<table class=\"figures meaning\"><tr><th>Camera</th><th>Started by</th><th>Follows</th><th>Then</th>"
            "<th>Game speed</th></tr>";
    for (const MeaningRow& row : t.rows)
        html << "<tr><th>" << escapeHtml(row.camera) << "</th><td>" << escapeHtml(row.startedBy) << "</td><td>"
             << escapeHtml(row.follows) << "</td><td>" << escapeHtml(row.then) << "</td><td>" << escapeHtml(row.speed)
             << "</td></tr>";
    html << "</table>\n<p>" << escapeHtml(t.bulletEnd) << "</p>\n";
    return html.str();
}

std::string linesTable(const IniReport& r) {
    std::ostringstream html;
    html << "<table class=\"figures lines\"><tr><th>Line</th><th>Text</th><th>What the plug-in makes of it</th></tr>";
    for (const LineFate& f : r.lines) {
        bool warned = false;
        for (const Finding& w : r.warnings) warned |= w.line == f.number;
        html << "<tr id=\"line-" << f.number << "\"" << (warned ? " class=\"warned\"" : "") << "><td class=\"n\">"
             << f.number << "</td><td class=\"text\">" << escapeHtml(f.text) << "</td><td>";
        for (size_t k = 0; k < f.notes.size(); ++k) html << (k ? "<br>" : "") << escapeHtml(f.notes[k]);
        html << "</td></tr>";
    }
    html << "</table>\n";
    return html.str();
}

}  // namespace

std::string renderCheckPage(const CheckOutcome& o) {
    const IniReport& r = o.report;
    std::ostringstream html;
    html << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Veltrix settings check: "
         << escapeHtml(r.path) << "</title><style>" << reportStyle() << kCheckStyle << "</style></head><body>\n";
    html << "<h1>Veltrix settings check</h1>\n<p class=\"description\">" << escapeHtml(r.path) << ": "
         << r.lines.size() << (r.lines.size() == 1 ? " line" : " lines") << ", read exactly as the plug-in reads "
         << "it when the game starts.</p>\n";
    html << "<nav><a href=\"#warnings\">Warnings</a><a href=\"#settings\">Settings</a><a href=\"#meaning\">What "
            "they mean</a><a href=\"#lines\">Line by line</a><a href=\"#preview\">Preview</a></nav>\n";

    html << "<h2 id=\"warnings\">Warnings</h2>\n";
    if (r.warnings.empty()) html << "<p class=\"ok\">No warnings.</p>\n";
    html << "<ul class=\"warnings\">";
    for (const Finding& w : r.warnings) {
        html << "<li class=\"warn\">";
        if (w.line) html << "<a href=\"#line-" << w.line << "\">line " << w.line << "</a>: ";
        html << escapeHtml(w.text) << "</li>";
    }
    html << "</ul>\n";

    html << "<h2 id=\"settings\">Settings the plug-in will use</h2>\n<table class=\"figures\"><tr><th>Setting</th>"
            "<th>Value</th><th>From</th></tr>";
    for (const EffectiveSetting& s : r.settings) {
        std::string source = s.isDefault ? "default" : "line " + std::to_string(s.line);
        if (s.isDefault && s.line != 0) source += " (line " + std::to_string(s.line) + " is unusable)";
        if (s.sameAsDefault) source += " (the default)";
        html << "<tr><th>" << escapeHtml(s.key) << "</th><td>" << escapeHtml(s.value) << "</td><td>"
             << escapeHtml(source) << "</td></tr>";
    }
    html << "</table>\n<p>Printed by the plug-in at every start: ";
    if (r.printed.empty()) html << "nothing.";
    html << "</p>";
    if (!r.printed.empty()) {
        html << "<pre>";
        for (const std::string& line : r.printed) html << escapeHtml(line) << "\n";
        html << "</pre>";
    }

    html << "\n<h2 id=\"meaning\">What the settings mean in the game</h2>\n" << meaningTable(o);
    html << "<h2 id=\"lines\">Line by line</h2>\n" << linesTable(r);

    html << "<h2 id=\"preview\">Preview</h2>\n<p>Every bundled scenario, played through the plug-in's own code "
            "with these settings in a simulated game: the paths of the projectiles and cameras seen from above "
            "and from the side, the game's time scale, and each camera's life. (The scenarios' descriptions tell "
            "what they show with the default settings.)</p>\n";
    for (const PreviewRun& run : o.previews) {
        const std::string heading = "<h2>" + escapeHtml(run.scenario.name) + "</h2>";
        if (!run.error.empty())
            html << "<section class=\"run\">" << heading << "<p class=\"warn\">cannot run: " << escapeHtml(run.error)
                 << "</p></section>\n";
        else
            html << renderRunSection(run.scenario, run.trace, run.facts, heading);
    }
    html << "<script>" << reportScript() << "</script>\n</body></html>\n";
    return html.str();
}

}  // namespace tools
