#include "tuner.h"

#include <cmath>
#include <map>

#include "settings/settings_file.h"

namespace tuner {

using nlohmann::json;

namespace {

// A long file's warnings and printed lines: the page shows this many and says
// how many more there are.
constexpr size_t kShownAtOnce = 300;
// Characters of a line shown; a longer one is summed up.
constexpr size_t kShownCharacters = 400;

// The value of an entry or binding line, by the plug-in's own split, as the
// tools show bytes; false without "=".
bool writtenValue(const Analysed& a, int line, std::string& shown) {
    if (line < 1 || static_cast<size_t>(line) > a.spans.size()) return false;
    const Span& s = a.spans[static_cast<size_t>(line - 1)];
    std::string_view name, value;
    if (!splitAtEquals(std::string_view(a.file).substr(s.start, s.end - s.start), name, value)) return false;
    shown = tools::shownText(value);
    return true;
}

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

const char* kindName(SettingKind kind) {
    return kind == SettingKind::Key ? "key" : kind == SettingKind::Switch ? "switch" : "number";
}

json findings(const std::vector<tools::Finding>& list, int from, int to) {
    json out = json::array();
    for (const tools::Finding& w : list)
        if (w.line >= from && w.line <= to) out.push_back({{"line", w.line}, {"text", w.text}});
    return out;
}

}  // namespace

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

Analysed analysed(std::string file) {
    Analysed a{std::move(file), {}, {}};
    a.report = tools::analyseIniText("Veltrix.ini", &a.file);
    a.spans = lineSpans(a.file);
    return a;
}

std::string sectionOf(const Setting& s) { return s.kind == SettingKind::Key ? "Keys" : s.section; }

json settingsOf(const Analysed& a) {
    const tools::IniReport& r = a.report;
    json settings = json::array();
    for (const tools::EffectiveSetting& e : r.settings) {
        const Setting& s = *e.setting;
        json setting = {{"key", s.key},    {"section", sectionOf(s)}, {"kind", kindName(s.kind)},
                        {"text", e.value}, {"line", e.line},          {"fromDefault", e.isDefault},
                        {"sameAsDefault", e.sameAsDefault}};
        std::string written;
        if (writtenValue(a, e.line, written)) setting["written"] = written;
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

}  // namespace tuner
