#include <cstdint>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "float_text.h"
#include "tuner.h"
#include "settings/key_bindings.h"
#include "settings/settings_file.h"

namespace tuner {

using nlohmann::json;

namespace {

// A switch's text: the word the line already uses, where it uses one.
std::string switchText(bool on, const std::string& current) {
    if (current == "true" || current == "false") return on ? "true" : "false";
    if (current == "True" || current == "False") return on ? "True" : "False";
    return on ? "1" : "0";
}

// The value to write, as text; false when `value` cannot be one for this kind.
bool valueText(const Setting& s, const std::string& value, const std::string& current, std::string& text,
               std::string& problem) {
    if (s.kind == SettingKind::Number) {
        text = std::string(trimBlanks(value));
        return true;
    }
    if (s.kind == SettingKind::Switch) {
        if (value != "1" && value != "0") {
            problem = "a switch is set with 1 or 0";
            return false;
        }
        text = switchText(value == "1", current);
        return true;
    }
    char* end = nullptr;
    const long code = std::strtol(value.c_str(), &end, 10);
    text = tools::keyText(static_cast<int32_t>(code));
    int32_t read = 0;
    if (end == value.c_str() || *end != '\0' || code < 1 || code > 254 || !keyCodeFor(upperCase(text), read) ||
        read != code) {
        problem = "no key has the code " + value;
        return false;
    }
    return true;
}

// Whether the plug-in, reading `file`, gives `s` the value that `text` says.
bool readsAs(const std::string& file, const Setting& s, const std::string& text) {
    if (s.kind == SettingKind::Number) {
        float wanted = s.defaultValue;  // an unusable value gives the default
        convertFloat(text, wanted);
        return tools::sameBits(floatFromText(file, s.section, s.key, s.defaultValue), wanted);
    }
    bool on = true;
    if (s.kind == SettingKind::Switch) return readBoolValue(text, on) && boolFromText(file, s.section, s.key) == on;
    std::unordered_map<std::string, int32_t> table;
    std::string printed;
    bindKeys(file, table, printed);
    int32_t code = 0;
    return table.count(s.key) && keyCodeFor(upperCase(text), code) && table[s.key] == code;
}

// Where the value that decides `s` stands in the file, by the plug-in's own
// reads (for the key, its last binding with a code); false when none does.
bool decidingSpan(const std::string& file, const Setting& s, size_t& start, size_t& end) {
    std::string_view value;
    bool found = false;
    if (s.kind == SettingKind::Key) {
        size_t pos = 0;
        std::string_view line, name, v;
        Binding b;
        while (nextLine(file, pos, line))
            if (bindingOf(line, b) && b.name == s.key && b.code != 0 && splitAtEquals(line, name, v))
                value = v, found = true;
    } else {
        const Decides rule = s.kind == SettingKind::Switch ? Decides::FirstSwitchValue : Decides::FirstEntry;
        found = decidingValue(file, s.section, s.key, rule, value);
    }
    if (!found) return false;
    start = static_cast<size_t>(value.data() - file.data());
    end = start + value.size();
    return true;
}

// The line to add `line` after: the last line that is not blank in the block
// of the first header of `section`; spans.size() when there is no such header.
size_t blockEnd(const std::string& file, const std::vector<Span>& spans, const std::string& section) {
    std::string_view name, unused;
    size_t after = spans.size();
    for (size_t i = 0; i < spans.size(); ++i) {
        const std::string_view line(file.data() + spans[i].start, spans[i].end - spans[i].start);
        const LineKind kind = classifyLine(trimBlanks(line), name, unused);
        if (after == spans.size()) {
            if (kind == LineKind::Section && name == section) after = i;
        } else if (kind == LineKind::Section) {
            break;
        } else if (kind != LineKind::Empty) {
            after = i;
        }
    }
    return after;
}

// The line end a line added to `file` gets: the one most of its lines have.
std::string lineEndOf(const std::string& file) {
    size_t crlf = 0, lf = 0;
    for (const Span& s : lineSpans(file)) {
        if (s.next > s.end + 1) ++crlf;
        else if (s.next > s.end) ++lf;
    }
    return crlf > lf ? "\r\n" : "\n";
}

// `file` with `key=text` added under [section], or with the section and the
// line at the end of the file.
std::string withEntryAdded(const std::string& file, const std::string& section, const std::string& line) {
    const std::vector<Span> spans = lineSpans(file);
    const std::string eol = lineEndOf(file);
    const size_t after = blockEnd(file, spans, section);
    std::string insertion = line + eol;
    size_t at = file.size();
    if (after < spans.size())
        at = spans[after].next;
    else
        insertion = "[" + section + "]" + eol + insertion;
    // The line before gets the line end it lacked, as the last line of a file may.
    const bool unterminated = at == file.size() && !spans.empty() && spans.back().next == spans.back().end;
    return file.substr(0, at) + (unterminated ? eol : "") + insertion + file.substr(at);
}

bool withLineReplaced(const std::string& file, int n, const std::string& text, std::string& edited,
                      std::string& problem) {
    const std::vector<Span> spans = lineSpans(file);
    if (n < 1 || static_cast<size_t>(n) > spans.size()) {
        problem = "the file has no line " + std::to_string(n);
        return false;
    }
    if (text.find('\n') != std::string::npos) {
        problem = "a line is one line";
        return false;
    }
    const Span& s = spans[static_cast<size_t>(n - 1)];
    edited = file.substr(0, s.start) + text + file.substr(s.end);
    return true;
}

// An empty line at the end: the last line first gets the line end it lacked.
std::string withLineAdded(const std::string& file) {
    const std::string eol = lineEndOf(file);
    const bool unterminated = !file.empty() && file.back() != '\n';
    return file + (unterminated ? eol : "") + eol;
}

// `file` with one setting changed (applyEdit's {key, value}): the line that
// decides it is rewritten, its value only, or a line is added.
bool editSetting(const std::string& file, const std::string& key, const std::string& value, std::string& edited,
                 std::string& problem) {
    const Setting* setting = findSetting(key);
    if (!setting) {
        problem = "the plug-in has no setting called " + key;
        return false;
    }
    if (value.find_first_of("\r\n") != std::string::npos) {
        problem = "a value is one line";
        return false;
    }
    size_t valueStart = 0, valueEnd = 0;
    const bool decided = decidingSpan(file, *setting, valueStart, valueEnd);
    std::string text;
    if (!valueText(*setting, value, file.substr(valueStart, valueEnd - valueStart), text, problem)) return false;
    edited = decided ? file.substr(0, valueStart) + text + file.substr(valueEnd)
                     : withEntryAdded(file, sectionOf(*setting), key + "=" + text);
    if (!readsAs(edited, *setting, text)) {
        problem = "internal: the plug-in does not read " + key + " as " + text + " from the edited file";
        return false;
    }
    return true;
}

// The text a slider writes for `wanted`: the tools' float text, with an
// exponent below 1 as the shipped file writes them ("5e-2", "10", "2.5").
std::string numberText(double wanted) {
    const float v = static_cast<float>(wanted);
    const std::string text = sim::floatText(v);
    // A value starting with the digit 0 is also read as the key code 0, which
    // the plug-in reports at every start: below 1 the file writes an exponent.
    if (!(v > 0 && v < 1)) return text;
    const size_t e = text.find('e');
    if (e != std::string::npos) return text.substr(0, e) + "e" + std::to_string(std::atoi(text.c_str() + e + 1));
    // "0.0125": the digits after the point, less the zeros that lead them.
    const std::string fraction = text.substr(2);
    const size_t zeros = fraction.find_first_not_of('0');
    const std::string digits = fraction.substr(zeros);
    return digits.substr(0, 1) + (digits.size() > 1 ? "." + digits.substr(1) : "") + "e-" + std::to_string(zeros + 1);
}

}  // namespace

bool applyEdit(const std::string& file, const json& edit, std::string& edited, std::string& problem) {
    if (edit.value("addLine", false)) {
        edited = withLineAdded(file);
        return true;
    }
    if (edit.contains("line"))
        return withLineReplaced(file, edit.at("line").get<int>(), edit.at("text").get<std::string>(), edited, problem);
    const std::string key = edit.at("key").get<std::string>();
    const std::string value =
        edit.contains("number") ? numberText(edit.at("number").get<double>()) : edit.at("value").get<std::string>();
    return editSetting(file, key, value, edited, problem);
}

}  // namespace tuner
