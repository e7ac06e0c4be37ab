// The HTML report of one scenario run: a self-contained page with inline SVG
// (top and side views of the paths, time scale, camera lives) and a table of
// figures.
#pragma once

#include <string>
#include <vector>

#include "scenario.h"

namespace tools {

struct ReportFacts {
    std::string runner;  // how the plug-in was run, in words
    sim::TraceSummary summary;
    bool hasExpectations = false;
    std::vector<std::string> failures;
    std::string output;  // what the plug-in printed
    // A preview on a settings check: the page shows the settings once, and
    // the scenario's expectations (made for the defaults) do not apply.
    bool preview = false;
};

std::string renderReport(const sim::Scenario& scenario, const sim::Trace& trace, const ReportFacts& facts);

// The body of such a report, as one <section class="run"> under `heading`
// (HTML), for pages that hold several runs; they take the style and the
// script below once each.
std::string renderRunSection(const sim::Scenario& scenario, const sim::Trace& trace, const ReportFacts& facts,
                             const std::string& heading);
const char* reportStyle();
const char* reportScript();

// The page that links every scenario's report of one run.
struct IndexEntry {
    std::string name;
    std::string description;
    std::string href;  // relative to the index page
    std::string result;  // PASS, FAIL, "-" (no expectations) or ERROR
};
std::string renderIndex(const std::string& title, const std::vector<IndexEntry>& entries);

std::string escapeHtml(const std::string& text);

}  // namespace tools
