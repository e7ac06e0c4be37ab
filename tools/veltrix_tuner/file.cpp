// The settings file as the page sees it: ini-check's record of it (made from
// the plug-in's own reads), as the page draws it, and the page's edits, each
// through the line that those reads say decides a setting.
#include "tuner.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "float_text.h"
#include "settings/key_bindings.h"
#include "settings/settings_file.h"
#include "settings_report.h"

namespace tuner {

using nlohmann::json;

namespace {

std::vector<Span> lineSpans(const std::string& file) {
    std::vector<Span> spans;
    size_t pos = 0;
    std::string_view line;
    while (nextLine(file, pos, line)) {
        const size_t start = static_cast<size_t>(line.data() - file.data());
        // The last line ends at the end of the file, with or without a line feed.
        spans.push_back({start, start + line.size(), std::min(pos, file.size())});
    }
    return spans;
}

// The section a setting is written under: its own; the key binding is read
// anywhere, and the shipped file keeps it under [Keys].
std::string sectionOf(const Setting& s) { return s.kind == SettingKind::Key ? "Keys" : s.section; }

// ---- What the page is told ----------------------------------------------------------------
// A long file's warnings and printed lines: the page shows this many and says
// how many more there are.
constexpr size_t kShownAtOnce = 300;
// Characters of a line shown; a longer one is summed up.
constexpr size_t kShownCharacters = 400;

// At most `limit` code points of UTF-8 `text`, and how long it was when cut.
std::string cutShort(const std::string& text, size_t limit, size_t bytes) {
    size_t points = 0, at = 0;
    for (; at < text.size(); ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) continue;
        if (points++ == limit) break;
    }
    if (at == text.size()) return text;
    return text.substr(0, at) + " … (" + std::to_string(bytes) + " bytes in all)";
}

json findings(const std::vector<tools::Finding>& list, int from, int to) {
    json out = json::array();
    for (const tools::Finding& w : list)
        if (w.line >= from && w.line <= to) out.push_back({{"line", w.line}, {"text", w.text}});
    return out;
}

// ---- Edits ---------------------------------------------------------------------------------
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

// The value that decides `s`, a view into the file, by the plug-in's own
// reads (for the key, its last binding with a code); false when none does.
bool decidingValueOf(const std::string& file, const Setting& s, std::string_view& value) {
    if (s.kind != SettingKind::Key) {
        const Decides rule = s.kind == SettingKind::Switch ? Decides::FirstSwitchValue : Decides::FirstEntry;
        return decidingValue(file, s.section, s.key, rule, value);
    }
    bool found = false;
    size_t pos = 0;
    std::string_view line, name, v;
    Binding b;
    while (nextLine(file, pos, line))
        if (bindingOf(line, b) && b.name == s.key && b.code != 0 && splitAtEquals(line, name, v)) {
            value = v;
            found = true;
        }
    return found;
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
    std::string_view current;
    const bool decided = decidingValueOf(file, *setting, current);
    std::string text;
    if (!valueText(*setting, value, std::string(current), text, problem)) return false;
    const size_t start = decided ? static_cast<size_t>(current.data() - file.data()) : 0;
    edited = decided ? file.substr(0, start) + text + file.substr(start + current.size())
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

Analysed analysed(std::string file) {
    Analysed a{std::move(file), {}, {}};
    a.report = tools::analyseIniText("Veltrix.ini", &a.file);
    a.spans = lineSpans(a.file);
    return a;
}

json settingsOf(const Analysed& a) {
    const tools::IniReport& r = a.report;
    json settings = json::array();
    for (const tools::EffectiveSetting& e : r.settings) {
        const Setting& s = *e.setting;
        const char* kind = s.kind == SettingKind::Key ? "key" : s.kind == SettingKind::Switch ? "switch" : "number";
        json setting = {{"key", s.key},    {"section", sectionOf(s)}, {"kind", kind},
                        {"text", e.value}, {"line", e.line},          {"fromDefault", e.isDefault},
                        {"sameAsDefault", e.sameAsDefault}};
        // The value as the deciding line writes it, by the plug-in's own split.
        std::string_view name, value;
        if (e.line > 0 && splitAtEquals(r.lines[static_cast<size_t>(e.line - 1)].text, name, value))
            setting["written"] = tools::shownText(value);
        if (s.kind == SettingKind::Key) {
            setting["code"] = r.loaded.toggleKey;
            setting["name"] = tools::keyName(r.loaded.toggleKey);
        }
        if (s.kind == SettingKind::Switch) setting["on"] = r.loaded.switches.*s.on;
        // Not a number or infinite has no JSON number: null, and the text says which.
        if (s.kind == SettingKind::Number) setting["number"] = std::isfinite(*s.number) ? json(*s.number) : json(nullptr);
        settings.push_back(std::move(setting));
    }
    return settings;
}

json summaryOf(const Analysed& a) {
    const tools::IniReport& r = a.report;
    json out = {{"size", a.file.size()}, {"lineCount", r.lines.size()}, {"settings", settingsOf(a)}};
    json warnings = findings(r.warnings, 0, static_cast<int>(r.lines.size()));
    if (warnings.size() > kShownAtOnce) warnings.erase(warnings.begin() + kShownAtOnce, warnings.end());
    out["warnings"] = std::move(warnings);
    out["warningCount"] = r.warnings.size();
    json printed = json::array();
    for (size_t k = 0; k < r.printed.size() && k < kShownAtOnce; ++k) printed.push_back(tools::shownText(r.printed[k]));
    out["printed"] = std::move(printed);
    out["printedCount"] = r.printed.size();

    const tools::MeaningTable table = tools::meaningTable(r, tools::meaningOf());
    json rows = json::array();
    for (const tools::MeaningRow& row : table.rows) rows.push_back({row.camera, row.startedBy, row.follows, row.then, row.speed});
    out["meaning"] = {{"rows", rows}, {"bulletEnd", table.bulletEnd}};
    return out;
}

json linesOf(const Analysed& a, int from, int to) {
    from = std::max(from, 1);
    to = std::min(to, static_cast<int>(std::min(a.spans.size(), a.report.lines.size())));
    json lines = json::array();
    for (int n = from; n <= to; ++n) {
        const Span& s = a.spans[static_cast<size_t>(n - 1)];
        const tools::LineFate& fate = a.report.lines[static_cast<size_t>(n - 1)];
        lines.push_back({{"n", n},
                         {"start", s.start},
                         {"end", s.end},
                         {"text", cutShort(tools::shownText(fate.text), kShownCharacters, s.end - s.start)},
                         {"notes", fate.notes}});
    }
    return {{"lines", lines}, {"warnings", findings(a.report.warnings, from, to)}};
}

bool applyEdit(const std::string& file, const json& edit, std::string& edited, std::string& problem) {
    if (edit.value("addLine", false)) {
        // An empty line at the end: the last line first gets the line end it lacked.
        const std::string eol = lineEndOf(file);
        edited = file + (!file.empty() && file.back() != '\n' ? eol : "") + eol;
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
