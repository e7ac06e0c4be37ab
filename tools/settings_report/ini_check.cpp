#include "settings_report.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "float_text.h"
#include "settings/key_bindings.h"
#include "settings/settings_file.h"

namespace tools {

namespace {

constexpr size_t kRows = std::size(kSettings);

// ---- The table, asked ---------------------------------------------------------------------
const Setting& toggleSetting() { return kSettings[0]; }

// The section the switches (or numbers) are read from.
std::string homeOf(SettingKind kind) {
    for (const Setting& s : kSettings)
        if (s.kind == kind) return s.section;
    return {};
}

bool isReadSection(std::string_view name) {
    return name == homeOf(SettingKind::Switch) || name == homeOf(SettingKind::Number);
}

size_t rowOf(const Setting& s) { return static_cast<size_t>(&s - kSettings); }

// ---- Words --------------------------------------------------------------------------------
// Lower case without blanks: how a modder's near miss compares to the real name.
std::string loose(std::string_view text) {
    std::string out;
    for (unsigned char c : text)
        if (c != ' ' && c != '\t') out += static_cast<char>(std::tolower(c));
    return out;
}

size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

std::string quotedText(std::string_view text) { return "\"" + shownText(text) + "\""; }

// "78 (N)", "7 (no key)".
std::string describeKey(int32_t code) {
    const std::string name = keyName(code);
    return std::to_string(code) + (name.empty() ? " (no key)" : " (" + name + ")");
}

// ---- The check in progress ----------------------------------------------------------------
// The record being made, what the plug-in's own reads decided (asked at the
// start), and where the line-by-line walk is.
struct Check {
    Check(IniReport& report, std::string_view file) : r(report), text(file) {
        for (size_t k = 0; k < kRows; ++k) {
            const Setting& s = kSettings[k];
            const Decides rule = s.kind == SettingKind::Switch ? Decides::FirstSwitchValue : Decides::FirstEntry;
            if (s.kind != SettingKind::Key) decidingValue(text, s.section, s.key, rule, decidingText[k]);
        }
    }
    IniReport& r;
    std::string_view text;
    std::string_view decidingText[kRows] = {};  // the value that decides each row, a view into the file
    int deciding[kRows] = {};  // its line, once the walk is there; a number's first, usable or not
    int n = 0;             // the line being looked at
    std::string section;   // in force at it; lines before the first header: the empty-named one
    bool sawHeader = false;
    bool warnedLoneCarriageReturn = false;
    std::vector<int> toggleLines;  // lines that stored a toggle-key code
    std::string toggleValue;       // the last one's value, upper-cased

    void warn(int line, const std::string& words) { r.warnings.push_back({line, words}); }
    void warn(const std::string& words) { warn(n, words); }
    std::string unreadSection() const {
        if (!sawHeader) return "lines before the first section header are not read";
        return "section [" + shownText(section) + "] is not read";
    }
};

// ---- One function per kind of line ----------------------------------------------------------
void fileWideFate(Check& c, std::string_view line) {
    // Notepad's "Unicode": every ASCII byte beside a NUL, and CR bytes that are no line ends of the plug-in's.
    const bool utf16 = c.text.substr(0, 2) == "\xFF\xFE" || c.text.substr(0, 2) == "\xFE\xFF";
    if (c.n == 1 && utf16) {
        c.warnedLoneCarriageReturn = true;
        c.warn("the file is saved as UTF-16 (Notepad's \"Unicode\"): the plug-in reads it byte by byte and finds "
               "none of its settings in it (save it as UTF-8 or ANSI)");
    }
    if (c.n == 1 && line.substr(0, 3) == "\xEF\xBB\xBF")
        c.warn("the file starts with a UTF-8 byte-order mark, which the plug-in reads as text: line 1 can never be "
               "a section header (save the file without BOM)");
    if (!c.warnedLoneCarriageReturn && trimBlanks(line).find('\r') != std::string_view::npos) {
        c.warnedLoneCarriageReturn = true;
        c.warn("line ends made of a carriage return alone: the plug-in reads all of them as one line");
    }
}

void sectionFate(Check& c, std::string_view name, LineFate& f) {
    c.section = std::string(name);
    c.sawHeader = true;
    if (isReadSection(name)) {
        const bool switches = name == homeOf(SettingKind::Switch);
        f.notes.push_back("section [" + c.section + "]: its " + (switches ? "switches" : "numbers") +
                          " are read from here on");
        return;
    }
    const std::string shown = shownText(name);
    f.notes.push_back("section [" + shown + "] is not read (only [" + homeOf(SettingKind::Switch) + "] and [" +
                      homeOf(SettingKind::Number) + "] are)");
    for (SettingKind kind : {SettingKind::Switch, SettingKind::Number})
        if (loose(name) == loose(homeOf(kind)))
            c.warn("[" + shown + "] is not [" + homeOf(kind) +
                   "]: section names are compared exactly, blanks and case included, so the settings below it are "
                   "not read");
}

void noEqualsFate(Check& c, std::string_view trimmed, LineFate& f) {
    if (trimmed.front() == '[') {
        f.notes.push_back("ignored: not a section header (it must end with \"]\") and no \"=\"");
        c.warn(quotedText(trimmed) + " is not a section header (nothing may follow the \"]\"): the lines below " +
               (c.sawHeader ? "stay in [" + shownText(c.section) + "]" : "stay outside every section"));
        return;
    }
    f.notes.push_back("ignored: no \"=\"");
    if (findSetting(trimmed.substr(0, trimmed.find_first_of(" \t:"))))
        c.warn(quotedText(trimmed) + " has no \"=\" and is ignored");
}

void switchFate(Check& c, const Setting& s, std::string_view value, LineFate& f) {
    const int decided = c.deciding[rowOf(s)];
    if (decided && c.n > decided) {
        f.notes.push_back("passed over: an earlier line (" + std::to_string(decided) + ") already decided " + s.key);
        c.warn(std::string(s.key) + " is set again; only line " + std::to_string(decided) +
               " counts (the first recognised value wins)");
        return;
    }
    if (c.n == decided) {
        bool on = true;
        readBoolValue(value, on);
        f.notes.push_back(std::string("sets ") + s.key + " = " + (on ? "true" : "false"));
        return;
    }
    // The plug-in's read passed it over.
    const std::string shown = value.empty() ? std::string("an empty value") : shownText(value);
    f.notes.push_back("passed over: " + shown + " is not one of 1, true, True, 0, false, False");
    c.warn(std::string(s.key) + "=" + shownText(value) + " is passed over: " + shown +
           " is not one of 1, true, True, 0, false, False");
}

void numberFate(Check& c, const Setting& s, std::string_view value, LineFate& f) {
    const int decided = c.deciding[rowOf(s)];
    const std::string key = s.key;
    if (c.n != decided) {
        f.notes.push_back("passed over: an earlier line (" + std::to_string(decided) + ") already decided " + key);
        c.warn(key + " is set again; only line " + std::to_string(decided) +
               " counts (the first line for a number decides, usable or not)");
        return;
    }
    const FloatReading read = readFloatText(value);
    if (read.what == FloatText::Number) {
        const std::string shown = sim::floatText(read.value);
        f.notes.push_back("sets " + key + " = " + shown);
        // Where the conversion stopped (up to a NUL byte), for the modder's sake only.
        const std::string rest = std::string(value.substr(read.used)).c_str();
        if (rest.empty()) return;
        f.notes.push_back("reads " + shown + " from " + quotedText(value) + "; " + quotedText(rest) + " is ignored");
        c.warn(key + " reads " + shown + " from " + quotedText(value) + ": " + quotedText(rest) + " is ignored");
        return;
    }
    const std::string why = value.empty()                          ? "an empty value is not a number"
                            : read.what == FloatText::OutOfRange ? quotedText(value) + " is out of range"
                                                                 : quotedText(value) + " is not a number";
    f.notes.push_back("unusable: " + why + "; " + key + " keeps its default, and later lines for it are not read");
    c.warn(key + ": " + why + ", so it keeps its default");
}

// A setting written where the plug-in does not look for it.
void misplacedFate(Check& c, const Setting& s, LineFate& f) {
    const std::string where = isReadSection(c.section) ? "[" + c.section + "] does not hold it" : c.unreadSection();
    f.notes.push_back("passed over: " + where + "; " + s.key + " is read only in [" + s.section + "]");
    // A near-miss section header has had its warning already.
    if (loose(c.section) != loose(s.section))
        c.warn(std::string(s.key) + " is written under " +
               (c.sawHeader ? "[" + shownText(c.section) + "]" : "no section") + "; it is read only in [" +
               s.section + "], so it keeps its default");
}

// A name no setting has, in a section that is read: a near miss, or a typo.
void unknownKeyFate(Check& c, std::string_view name, LineFate& f) {
    const std::string toggle = toggleSetting().key;
    if (name == toggle) {
        f.notes.push_back("not a setting of this section (" + toggle + " is read as a key binding in any section)");
        return;
    }
    for (const Setting& s : kSettings) {
        if (loose(s.key) != loose(name)) continue;
        f.notes.push_back("passed over: no setting is called " + quotedText(name) + " (names are compared exactly: " +
                          s.key + ")");
        if (&s != &toggleSetting()) c.warn(quotedText(name) + " is not " + s.key + ": names are compared exactly");
        return;
    }
    std::string best;
    size_t bestDistance = 3;
    for (const Setting& s : kSettings) {
        const size_t d = editDistance(loose(name), loose(s.key));
        if (d < bestDistance) best = s.key, bestDistance = d;
    }
    f.notes.push_back("passed over: [" + c.section + "] has no setting " + quotedText(name));
    c.warn("[" + c.section + "] has no setting " + quotedText(name) + (best.empty() ? "" : " (" + best + "?)"));
}

void entryFate(Check& c, std::string_view name, std::string_view value, LineFate& f) {
    const Setting* s = findSetting(name);
    const bool isValue = s && s->kind != SettingKind::Key;
    if (isValue && c.section == s->section) {
        if (s->kind == SettingKind::Switch)
            switchFate(c, *s, value, f);
        else
            numberFate(c, *s, value, f);
    } else if (isValue) {
        misplacedFate(c, *s, f);
    } else if (isReadSection(c.section)) {
        unknownKeyFate(c, name, f);
    } else if (name != toggleSetting().key) {
        f.notes.push_back("passed over: " + c.unreadSection());
    }
}

// Every line holding "=" is also a key binding, sections and comments aside.
void bindingFate(Check& c, std::string_view line, LineFate& f) {
    Binding b;
    if (!bindingOf(line, b)) return;
    const std::string toggle = toggleSetting().key;
    const bool nearToggle = b.name != toggle && loose(b.name) == loose(toggle);
    const std::string unused = quotedText(b.name) + " is not " + toggle +
                               ": names are compared exactly, so this binding is never used";
    if (b.code != 0) {
        if (b.name == toggle) {
            c.toggleLines.push_back(c.n);
            c.toggleValue = b.value;
            f.notes.push_back("key binding: " + toggle + " = " + describeKey(b.code));
        } else if (nearToggle) {
            f.notes.push_back("key binding " + quotedText(b.name) + " = " + std::to_string(b.code) +
                              " stored but never looked up (the name is " + toggle + ")");
            c.warn(unused);
        } else {
            f.notes.push_back("also read as a key binding: code " + std::to_string(b.code) + " stored under " +
                              quotedText(b.name) + ", never used");
        }
        return;
    }
    const std::string message = quotedText(unknownBindingMessage(b.name, b.value));
    if (b.name == toggle) {
        f.notes.push_back("key binding: prints " + message + "; the toggle key stays as it was");
        c.warn(toggle + "=" + shownText(b.value) + " names no key: the plug-in prints " + message +
               " and keeps the toggle key it had");
        return;
    }
    f.notes.push_back("also read as a key binding: prints " + message + " at every start (harmless)");
    if (nearToggle) c.warn(unused);
}

void lineFate(Check& c, std::string_view line) {
    // The line that holds a deciding value decides its setting; an earlier
    // line for it in the same section cannot have decided it.
    for (size_t k = 0; k < kRows; ++k) {
        const char* value = c.decidingText[k].data();
        if (value && value >= line.data() && value <= line.data() + line.size()) c.deciding[k] = c.n;
    }
    LineFate f;
    f.number = c.n;
    f.text = std::string(line);
    fileWideFate(c, line);
    const std::string_view trimmed = trimBlanks(line);
    std::string_view name, value;
    switch (classifyLine(trimmed, name, value)) {
    case LineKind::Empty: f.notes.push_back("ignored: blank"); break;
    case LineKind::Comment: f.notes.push_back("ignored: comment"); break;
    case LineKind::Section: sectionFate(c, name, f); break;
    case LineKind::NoEquals: noEqualsFate(c, trimmed, f); break;
    case LineKind::Entry: entryFate(c, name, value, f); break;
    }
    bindingFate(c, line, f);
    c.r.lines.push_back(std::move(f));
}

// ---- The values -----------------------------------------------------------------------------
EffectiveSetting effectiveSetting(const Check& c, const Setting& s) {
    EffectiveSetting e;
    e.setting = &s;
    const size_t row = rowOf(s);
    e.line = s.kind != SettingKind::Key ? c.deciding[row] : c.toggleLines.empty() ? 0 : c.toggleLines.back();
    e.isDefault = e.line == 0;
    if (s.kind == SettingKind::Key) {
        e.value = describeKey(c.r.loaded.toggleKey);
        e.sameAsDefault = !e.isDefault && c.r.loaded.toggleKey == s.defaultValue;
    } else if (s.kind == SettingKind::Switch) {
        const bool on = c.r.loaded.switches.*s.on;
        e.value = on ? "true" : "false";
        e.sameAsDefault = !e.isDefault && on;
    } else {
        e.value = sim::floatText(*s.number);
        e.isDefault = e.isDefault || readFloatText(c.decidingText[row]).what != FloatText::Number;
        e.sameAsDefault = !e.isDefault && sameBits(*s.number, s.defaultValue);
    }
    return e;
}

// What the numbers make the cameras do, where that is not what a player would
// want. Each text says what this build does; the tests hold every one against
// a run of the plug-in with that setting.
struct NumberWarnings {
    Check& c;
    const Meaning m = meaningOf();

    int at(const float& variable) const { return c.deciding[rowOf(settingOf(variable))]; }
    static std::string key(const float& variable) { return settingOf(variable).key; }
    static std::string shown(const float& variable) { return key(variable) + " " + sim::floatText(variable); }
    // What the game does with a time scale: never faster than normal, never stopped or backwards.
    static std::string gameTakes(float v) {
        if (v > 1) return ", which the game runs at normal speed: it never runs faster";
        if (!(v > 0)) return ", which the game runs at its slowest: it never stands still or runs backwards";
        return "";
    }

    void shots() const {
        const char* const jumps = "the bullet camera does not fly along the shot: it jumps to its end at once";
        const float slow = slowMotionFactor;
        if (!(slow > 0) || std::isinf(slow))
            c.warn(at(slowMotionFactor), shown(slowMotionFactor) + ": in the frame of a shot the game's time scale "
                                         "is set to " + sim::floatText(slow) + gameTakes(slow) + "; " + jumps +
                                         " and holds its view from the next frame, at " + key(BulletLingerSpeed));
        else if (slow > 1)
            c.warn(at(slowMotionFactor), shown(slowMotionFactor) + ": the game's time scale is set to " +
                                         sim::floatText(slow) + " while the bullet camera flies" + gameTakes(slow) +
                                         " (the camera still covers more of the shot each frame)");
        if (!(BulletCamSpeed > 0) || std::isinf(BulletCamSpeed))
            c.warn(at(BulletCamSpeed), shown(BulletCamSpeed) + ": " + jumps);
        if (m.bulletGivesUp)
            c.warn(m.bulletTravel >= kShotCameraFrames ? at(BulletCamSpeed) : at(LingerTime),
                   "the bullet camera would run for more than ten minutes: it gives up after ten minutes and "
                   "gives normal speed back");
    }

    void holds() const {
        const std::string holders = "the knife, tomahawk and " + nameWithHash(fireBottle(true)) + " cameras";
        if (!(LingerTime > 0))
            c.warn(at(LingerTime), shown(LingerTime) + ": " + holders + " end as soon as nothing flies, and the "
                                   "bullet camera in its first frame after arriving (the arrow camera's hold is "
                                   "fixed and stays)");
        else if (m.thrownHold >= kShotCameraFrames)
            c.warn(at(LingerTime), shown(LingerTime) + ": " + holders + " hold their last view for ten minutes or "
                                   "more, until something else is thrown");
        const float off = CameraOffsetBack;
        if (off < 0)
            c.warn(at(CameraOffsetBack), shown(CameraOffsetBack) + ": the bullet camera flies past the target, and "
                                         "the bullet and arrow cameras hold their view beyond it, looking back "
                                         "towards the player");
        else if (!std::isfinite(off))
            c.warn(at(CameraOffsetBack), shown(CameraOffsetBack) + ": the bullet and arrow cameras are placed at no "
                                         "real position while they hold their view" +
                                         (std::isnan(off) ? ", and the bullet camera also while it flies" : ""));
    }

    void speeds() const {
        const struct {
            const float& value;
            const char* when;
        } speeds[] = {{BulletLingerSpeed, "the bullet camera holds its view"},
                      {BowCamSpeed, "the arrow camera flies"},
                      {BowLingerSpeed, "the arrow camera holds its view"}};
        for (const auto& s : speeds)
            if (s.value > 1 || !(s.value > 0))
                c.warn(at(s.value), shown(s.value) + ": the game's time scale is set to " + sim::floatText(s.value) +
                                        " while " + s.when + gameTakes(s.value) +
                                        (s.value == 0 ? " (the camera itself still moves)" : ""));
    }
};

// A toggle key that cannot be pressed leaves the plug-in on for good.
void warnAboutToggleKey(Check& c) {
    if (c.toggleLines.empty()) return;
    const int line = c.toggleLines.back();
    const int32_t code = c.r.loaded.toggleKey;
    const std::string& value = c.toggleValue;
    const std::string binding = std::string(toggleSetting().key) + "=" + shownText(value) + " gives code " +
                                std::to_string(code);
    const bool loneDigit = value.size() == 1 && std::isdigit(static_cast<unsigned char>(value[0]));
    const std::string digitHint = loneDigit ? " (a lone digit is read as a code; the key marked " + value + " is " +
                                                  std::to_string(value[0]) + ")"
                                            : "";
    const std::string name = keyName(code);
    if (code < 1 || code > 254)
        c.warn(line, binding + ", which no key has (key codes run from 1 to 254): the plug-in can never be switched off");
    else if (name.empty())
        c.warn(line, binding + ", which is not a key: the plug-in can never be switched off");
    else if (code == 1 || code == 2 || (code >= 4 && code <= 6))  // a mouse button
        c.warn(line, binding + ", the " + name + ": every click would switch the plug-in" + digitHint);
    else if (loneDigit)
        c.warn(line, binding + " (" + name + ")" + digitHint);
    else if (value.size() >= 2 && value[0] == 'F' && std::isdigit(static_cast<unsigned char>(value[1])) &&
             (code < 0x70 || code > 0x87))
        c.warn(line, binding + " (" + name + "): there is no key " + value + "; function keys run from F1 to F24");
}

}  // namespace

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string shownText(std::string_view bytes) {
    size_t from = 0;
    bool utf8 = true;  // pieces of a text that is not all UTF-8 would show as a salad of scripts
    for (unsigned char c : bytes) {
        if (from) {
            utf8 = (c & 0xC0) == 0x80;
            --from;
        } else if (c >= 0x80) {
            from = c >= 0xF0 && c <= 0xF4 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 && c <= 0xDF ? 1 : 0;
            utf8 = from != 0;
        }
        if (!utf8) break;
    }
    utf8 = utf8 && from == 0;
    std::string out;
    char hex[8];
    for (unsigned char c : bytes) {
        if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F || (c >= 0x80 && !utf8)) {
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

IniReport analyseIni(const std::string& path) {
    std::string text;
    return analyseIniText(path, readSettingsFile(path.c_str(), text) ? &text : nullptr);
}

IniReport analyseIniText(const std::string& path, const std::string* file) {
    IniReport r;
    r.path = path;
    r.readable = file != nullptr;
    Check c(r, file ? std::string_view(*file) : std::string_view());
    // The plug-in's own load, as at a fresh start: the values, and the lines it prints.
    keyBindings.clear();
    resetFloatSettings();
    std::string printed;
    r.loaded = loadSettingsFromText(file ? *file : std::string(), printed);
    if (!r.readable) return r;
    for (size_t at = 0; at < printed.size();) {
        const size_t end = printed.find('\n', at);
        r.printed.push_back(printed.substr(at, end - at));
        at = end + 1;
    }

    size_t pos = 0;
    std::string_view line;
    while (nextLine(c.text, pos, line)) {
        ++c.n;
        lineFate(c, line);
    }
    // Earlier toggle-key bindings give way to the last one with a code.
    for (size_t k = 0; k + 1 < c.toggleLines.size(); ++k)
        r.lines[static_cast<size_t>(c.toggleLines[k] - 1)].notes.push_back(
            "replaced by the " + std::string(toggleSetting().key) + " binding on line " +
            std::to_string(c.toggleLines.back()));

    for (const Setting& s : kSettings) r.settings.push_back(effectiveSetting(c, s));
    const NumberWarnings numbers{c};
    numbers.shots();
    numbers.holds();
    numbers.speeds();
    warnAboutToggleKey(c);
    std::stable_sort(r.warnings.begin(), r.warnings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return r;
}

void printIniReport(const IniReport& r, std::ostream& out) {
    if (!r.readable) {
        out << r.path << ": cannot be read\n";
        return;
    }
    out << r.path << ": " << r.lines.size() << (r.lines.size() == 1 ? " line" : " lines") << "\n\nLine by line\n";
    constexpr size_t kWidth = 38;
    for (const LineFate& f : r.lines) {
        std::string text = shownText(f.text);
        if (text.size() > kWidth) text = text.substr(0, kWidth - 3) + "...";
        char number[16];
        std::snprintf(number, sizeof number, "%5d  ", f.number);
        // The number and the text before the first note, blanks before the others.
        std::string lead = number + text + std::string(kWidth - text.size() + 2, ' ');
        for (const std::string& note : f.notes) {
            out << lead << note << '\n';
            lead = std::string(7 + kWidth + 2, ' ');
        }
    }

    out << "\nEffective settings\n";
    for (const EffectiveSetting& s : r.settings) {
        std::string source = s.isDefault ? "default" : "line " + std::to_string(s.line);
        if (s.isDefault && s.line != 0) source += " (line " + std::to_string(s.line) + " is unusable)";
        if (s.sameAsDefault) source += " (the default)";
        char row[160];
        std::snprintf(row, sizeof row, "  %-24s %-22s %s\n", s.setting->key, s.value.c_str(), source.c_str());
        out << row;
    }

    out << "\nPrinted by the plug-in at every start\n";
    if (r.printed.empty()) out << "  (nothing)\n";
    for (const std::string& line : r.printed) out << "  " << line << '\n';

    out << '\n';
    if (r.warnings.empty()) {
        out << "No warnings.\n";
        return;
    }
    out << r.warnings.size() << (r.warnings.size() == 1 ? " warning\n" : " warnings\n");
    for (const Finding& w : r.warnings)
        out << "  " << (w.line ? "line " + std::to_string(w.line) + ": " : std::string()) << w.text << '\n';
}

int iniCheckStatus(const IniReport& r) { return !r.readable ? 2 : r.warnings.empty() ? 0 : 1; }

}  // namespace tools
