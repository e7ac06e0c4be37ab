#include "settings/settings_file.h"

#include <fstream>
#include <stdexcept>

namespace {

const char kBlanks[] = " \t\r\n";

// Walks the entry lines of one section and hands the value of each entry
// named key to decide, until decide returns true.
void scanEntries(const char* path, const std::string& section, const std::string& key,
                 const std::function<bool(const std::string& value)>& decide) {
    std::string current;  // lines before the first header belong to the empty-named section
    forEachLine(path, [&](const std::string& line) {
        std::string sectionOrName;
        std::string value;
        switch (classifyLine(trimBlanks(line), sectionOrName, value)) {
        case LineKind::Section:
            current = sectionOrName;
            return false;
        case LineKind::Entry:
            return current == section && sectionOrName == key && decide(value);
        default:
            return false;
        }
    });
}

}  // namespace

std::string trimBlanks(const std::string& text) {
    const std::string::size_type first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) return std::string();
    const std::string::size_type last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

bool forEachLine(const char* path, const std::function<bool(const std::string& line)>& visit) {
    try {
        // Binary mode, with CR LF folded here: the Windows C runtime's text mode
        // would also stop at a 0x1A byte, which glibc does not, so doing the
        // folding ourselves makes both builds read every file alike.
        std::ifstream in(path, std::ios::in | std::ios::binary);
        if (!in.is_open()) return false;
        std::string line;
        // A directory opens on Linux but fails its first read; getline turns
        // that failure into badbit, which ends the loop.
        while (std::getline(in, line)) {
            const bool endedByLineFeed = !in.eof();
            if (endedByLineFeed && !line.empty() && line.back() == '\r') line.pop_back();
            if (visit(line)) return true;
        }
        return !in.bad();
    } catch (...) {
        return false;
    }
}

LineKind classifyLine(const std::string& trimmedLine, std::string& sectionOrName, std::string& value) {
    if (trimmedLine.empty()) return LineKind::Empty;
    if (trimmedLine.front() == ';') return LineKind::Comment;
    if (trimmedLine.front() == '[' && trimmedLine.back() == ']') {
        sectionOrName = trimmedLine.substr(1, trimmedLine.size() - 2);
        return LineKind::Section;
    }
    const std::string::size_type equals = trimmedLine.find('=');
    if (equals == std::string::npos) return LineKind::NoEquals;
    sectionOrName = trimBlanks(trimmedLine.substr(0, equals));
    value = trimBlanks(trimmedLine.substr(equals + 1));
    return LineKind::Entry;
}

bool readBoolValue(const std::string& value, bool& result) {
    if (value == "1" || value == "true" || value == "True") {
        result = true;
        return true;
    }
    if (value == "0" || value == "false" || value == "False") {
        result = false;
        return true;
    }
    return false;
}

bool convertFloat(const std::string& value, float& result) {
    try {
        result = std::stof(value);
        return true;
    } catch (const std::invalid_argument&) {
        return false;
    } catch (const std::out_of_range&) {
        return false;
    }
}

bool readBool(const char* path, const std::string& section, const std::string& key) {
    bool result = true;
    try {
        scanEntries(path, section, key, [&](const std::string& value) { return readBoolValue(value, result); });
    } catch (...) {
        // Only bad_alloc can get here; the switch keeps its fallback.
        result = true;
    }
    return result;
}

float readFloat(const char* path, const std::string& section, const std::string& key, float fallback) {
    float result = fallback;
    try {
        scanEntries(path, section, key, [&](const std::string& value) {
            convertFloat(value, result);
            return true;  // the first matching entry decides, usable or not
        });
    } catch (...) {
        result = fallback;
    }
    return result;
}
