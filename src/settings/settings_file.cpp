#include "settings/settings_file.h"

#include <cstdio>
#include <memory>

// ---- File access ------------------------------------------------------------------
const char* const kSettingsPath = "Veltrix.ini";

bool readSettingsFile(const char* path, std::string& text) { return readOpenFile(std::fopen(path, "rb"), text); }

bool readOpenFile(std::FILE* opened, std::string& text) {
    // Closed on every way out, a failed allocation's exception included.
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(opened, &std::fclose);
    if (!file) return false;
    text.clear();
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) text.append(chunk, got);
    return !std::ferror(file.get());
}

// ---- Lines ---------------------------------------------------------------------------
bool nextLine(std::string_view text, size_t& pos, std::string_view& line) {
    if (pos >= text.size()) return false;
    size_t end = text.find('\n', pos);
    const bool fed = end != std::string_view::npos;
    if (!fed) end = text.size();  // the last line needs no line feed
    line = text.substr(pos, end - pos);
    if (fed && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = end + 1;
    return true;
}

static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

LineKind classifyLine(std::string_view line, std::string_view& sectionOrName, std::string_view& value) {
    if (line.empty()) return LineKind::Empty;
    if (line.front() == ';') return LineKind::Comment;
    if (line.front() == '[' && line.back() == ']') {
        sectionOrName = line.substr(1, line.size() - 2);
        return LineKind::Section;
    }
    return splitAtEquals(line, sectionOrName, value) ? LineKind::Entry : LineKind::NoEquals;
}

bool splitAtEquals(std::string_view line, std::string_view& name, std::string_view& value) {
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return false;
    name = trimBlanks(line.substr(0, equals));
    value = trimBlanks(line.substr(equals + 1));
    return true;
}

// ---- Values -------------------------------------------------------------------------
bool readBoolValue(std::string_view value, bool& result) {
    const bool on = value == "1" || value == "true" || value == "True";
    if (!on && value != "0" && value != "false" && value != "False") return false;
    result = on;
    return true;
}

// ---- The reads, over a file's text ---------------------------------------------------
// The value of the next entry named `key` in `section`, scanning on from `pos`;
// `current` is the section in force there. False at the end of the text.
static bool nextEntry(std::string_view text, size_t& pos, std::string_view& current, std::string_view section,
                      std::string_view key, std::string_view& value) {
    std::string_view line;
    while (nextLine(text, pos, line)) {
        std::string_view name, entryValue;  // empty lines, comments, lines without "=": nothing
        const LineKind kind = classifyLine(trimBlanks(line), name, entryValue);
        if (kind == LineKind::Section) current = name;
        if (kind == LineKind::Entry && current == section && name == key) {
            value = entryValue;
            return true;
        }
    }
    return false;
}

bool decidingValue(std::string_view text, std::string_view section, std::string_view key, Decides rule,
                   std::string_view& value) {
    size_t pos = 0;
    std::string_view current, entry;  // lines before the first header: the empty-named section
    bool recognised = true, found = false;
    while (!found && nextEntry(text, pos, current, section, key, entry)) {
        if (rule == Decides::FirstSwitchValue && !readBoolValue(entry, recognised)) continue;
        value = entry;
        found = true;
    }
    return found;
}

bool boolFromText(std::string_view text, std::string_view section, std::string_view key) {
    std::string_view value;
    bool result = true;
    if (decidingValue(text, section, key, Decides::FirstSwitchValue, value)) readBoolValue(value, result);
    return result;
}

float floatFromText(std::string_view text, std::string_view section, std::string_view key, float fallback) {
    std::string_view value;
    float result = fallback;
    if (decidingValue(text, section, key, Decides::FirstEntry, value)) convertFloat(value, result);
    return result;
}

// ---- The reads, each opening, reading and closing the file ------------------------------
bool readBool(const char* path, const std::string& section, const std::string& key) {
    try {
        std::string text;
        return !readSettingsFile(path, text) || boolFromText(text, section, key);
    } catch (...) {
        return true;  // no memory: the fallback
    }
}

float readFloat(const char* path, const std::string& section, const std::string& key, float fallback) {
    try {
        std::string text;
        return readSettingsFile(path, text) ? floatFromText(text, section, key, fallback) : fallback;
    } catch (...) {
        return fallback;
    }
}
