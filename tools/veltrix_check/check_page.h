// veltrix-check: ini-check's findings for one settings file, a table of what
// its numbers mean to a player, and every bundled scenario played through the
// plug-in's core with those settings, on one self-contained page.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "bundled_scenarios.h"
#include "ini_check.h"
#include "report.h"
#include "scenario.h"

namespace tools {

struct PreviewRun {
    sim::Scenario scenario;
    sim::Trace trace;
    ReportFacts facts;
    std::string error;  // why it could not run; empty when it ran
};

struct CheckOutcome {
    IniReport report;
    Meaning meaning;
    std::vector<PreviewRun> previews;  // none when the file cannot be read
};

// Checks a settings file's content (null: it cannot be read), named `path`.
// The previews run in a folder made under `scratch`, which the plug-in takes
// as its working directory for the while.
CheckOutcome checkSettings(const std::string& path, const std::string* file, const std::filesystem::path& scratch);

std::string renderCheckPage(const CheckOutcome& outcome);

}  // namespace tools
