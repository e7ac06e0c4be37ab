// What the tuner page is told of a settings file: ini-check's record of it
// (made from the plug-in's own reads), as the page draws it.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ini_check.h"

namespace tuner {

// Each line of a file as the plug-in cuts it: content [start, end), and where
// the next line starts (past the line feed and a folded carriage return).
struct Span {
    size_t start, end, next;
};
std::vector<Span> lineSpans(const std::string& file);

// A file with its record, kept while the page may ask for its lines.
struct Analysed {
    std::string file;
    tools::IniReport report;
    std::vector<Span> spans;
};
Analysed analysed(std::string file);

// What the page shows at once: size, lineCount, the fourteen settings as the
// plug-in reads them with the line that decides each, the warnings and the
// printed lines (the first few hundred of each, with their counts), and what
// the numbers mean in the game.
nlohmann::json summaryOf(const Analysed& a);

// The settings alone, each {key, section, kind, text (as the plug-in holds
// it), line, fromDefault, sameAsDefault, written (the deciding line's value
// as shown), and code and name, on, or number by kind}.
nlohmann::json settingsOf(const Analysed& a);

// Lines from..to (1-based, inclusive), each {n, start, end, text (as the tools
// show bytes, cut short past a few hundred characters), notes}, and the
// warnings on them.
nlohmann::json linesOf(const Analysed& a, int from, int to);

// The section a setting is written under: its own; the key binding is read
// anywhere, and the shipped file keeps it under [Keys].
std::string sectionOf(const Setting& s);

}  // namespace tuner
