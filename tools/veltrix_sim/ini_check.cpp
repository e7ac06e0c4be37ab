#include "ini_check.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <functional>
#include <optional>

#include "game_names.h"
#include "settings/catalogue.h"
#include "settings/key_bindings.h"
#include "settings/settings_file.h"
#include "settings_meaning.h"

namespace tools {

const char* const kSwitchKeys[6] = {"EnableKnifeCamera",      "EnableArrowCamera",     "EnableTomahawkCamera",
                                    "EnableDynamiteCamera",   "EnableFireBottleCamera", "EnableBulletLineCamera"};

std::vector<NumberSetting> numberSettings() {
    resetFloatSettings();
    std::vector<NumberSetting> numbers = {
        {"BulletCamSpeed", &BulletCamSpeed, &Numbers::BulletCamSpeed, 0},
        {"LingerTime", &LingerTime, &Numbers::LingerTime, 0},
        {"CameraOffsetBack", &CameraOffsetBack, &Numbers::CameraOffsetBack, 0},
        {"slowMotionFactor", &slowMotionFactor, &Numbers::slowMotionFactor, 0},
        {"BulletLingerSpeed", &BulletLingerSpeed, &Numbers::BulletLingerSpeed, 0},
        {"BowLingerSpeed", &BowLingerSpeed, &Numbers::BowLingerSpeed, 0},
        {"BowCamSpeed", &BowCamSpeed, &Numbers::BowCamSpeed, 0},
    };
    for (NumberSetting& n : numbers) n.defaultValue = *n.variable;
    return numbers;
}

namespace {

bool isSwitchKey(const std::string& name) {
    return std::find(std::begin(kSwitchKeys), std::end(kSwitchKeys), name) != std::end(kSwitchKeys);
}

bool isNumberKey(const std::vector<NumberSetting>& numbers, const std::string& name) {
    return std::any_of(numbers.begin(), numbers.end(), [&](const NumberSetting& n) { return name == n.key; });
}

// Shortest decimal that reads back as the same float.
std::string formatFloat(float v) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    char text[32];
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(v));
        if (std::strtof(text, nullptr) == v) break;
    }
    return text;
}

bool sameFloat(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Lower case without blanks: how a modder's near miss compares to the real name.
std::string loose(const std::string& text) {
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

// Control bytes would garble the listing; show them escaped.
std::string printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string quoted(const std::string& text) { return "\"" + printable(text) + "\""; }

bool isMouseButton(int code) { return code == 1 || code == 2 || code == 4 || code == 5 || code == 6; }

std::string describeKey(int32_t code) {
    const std::string name = keyName(code);
    return std::to_string(code) + (name.empty() ? " (no key)" : " (" + name + ")");
}

// What the numbers make the cameras do, where that is not what a player
// would want. Each text says what this build does; the tests hold every one
// against a run of the plug-in with that setting.
void warnAboutNumbers(const Numbers& n, std::map<std::string, int>& lines,
                      const std::function<void(int, const std::string&)>& warn) {
    const Meaning m = meaningOf(n);
    auto at = [&](const char* key) { return lines.count(key) ? lines[key] : 0; };
    auto shown = [](const char* key, float v) { return std::string(key) + " " + formatFloat(v); };
    const bool realOffset = std::isfinite(n.CameraOffsetBack);
    const std::string holders = "the knife, tomahawk and " + nameWithHash(fireBottle(true)) + " cameras";

    // What the game does with a time scale: never faster than normal, never
    // stopped or backwards.
    auto gameTakes = [](float v) -> std::string {
        if (v > 1) return ", which the game runs at normal speed: it never runs faster";
        if (!(v > 0)) return ", which the game runs at its slowest: it never stands still or runs backwards";
        return "";
    };
    const char* const jumps = "the bullet camera does not fly along the shot: it jumps to its end at once";
    if (!(n.slowMotionFactor > 0) || std::isinf(n.slowMotionFactor))
        warn(at("slowMotionFactor"), shown("slowMotionFactor", n.slowMotionFactor) +
                                         ": in the frame of a shot the game's time scale is set to " +
                                         formatFloat(n.slowMotionFactor) + gameTakes(n.slowMotionFactor) + "; " +
                                         jumps + " and holds its view from the next frame, at BulletLingerSpeed");
    else if (n.slowMotionFactor > 1)
        warn(at("slowMotionFactor"), shown("slowMotionFactor", n.slowMotionFactor) +
                                         ": the game's time scale is set to " + formatFloat(n.slowMotionFactor) +
                                         " while the bullet camera flies" + gameTakes(n.slowMotionFactor) +
                                         " (the camera still covers more of the shot each frame)");
    if (!(n.BulletCamSpeed > 0) || std::isinf(n.BulletCamSpeed))
        warn(at("BulletCamSpeed"), shown("BulletCamSpeed", n.BulletCamSpeed) + ": " + jumps);
    if (m.bulletGivesUp)
        warn(at(m.bulletTravel >= kShotCameraFrames ? "BulletCamSpeed" : "LingerTime"),
             std::string("the bullet camera would run for more than ten minutes: it gives up after ten minutes ") +
                 "and gives normal speed back");
    if (!(n.LingerTime > 0))
        warn(at("LingerTime"),
             shown("LingerTime", n.LingerTime) + ": " + holders + " end as soon " +
                 "as nothing flies, and the bullet camera in its first frame after arriving (the arrow camera's " +
                 "hold is fixed and stays)");
    else if (m.thrownHold >= kCountLimit)
        warn(at("LingerTime"), shown("LingerTime", n.LingerTime) +
                                   ": " + holders + " hold their last view for " +
                                   "ten minutes or more, until something else is thrown");
    if (n.CameraOffsetBack < 0)
        warn(at("CameraOffsetBack"),
             shown("CameraOffsetBack", n.CameraOffsetBack) + ": the bullet camera flies past the target, and " +
                 "the bullet and arrow cameras hold their view beyond it, looking back towards the player");
    else if (!realOffset)
        warn(at("CameraOffsetBack"), shown("CameraOffsetBack", n.CameraOffsetBack) +
                                         ": the bullet and arrow cameras are placed at no real position while they " +
                                         "hold their view" + (std::isnan(n.CameraOffsetBack) ? ", and the bullet " +
                                         std::string("camera also while it flies") : std::string()));
    const struct {
        const char* key;
        float value;
        const char* when;
    } speeds[] = {{"BulletLingerSpeed", n.BulletLingerSpeed, "the bullet camera holds its view"},
                  {"BowCamSpeed", n.BowCamSpeed, "the arrow camera flies"},
                  {"BowLingerSpeed", n.BowLingerSpeed, "the arrow camera holds its view"}};
    for (const auto& s : speeds)
        if (s.value > 1 || !(s.value > 0))
            warn(at(s.key), shown(s.key, s.value) + ": the game's time scale is set to " + formatFloat(s.value) +
                                " while " + s.when + gameTakes(s.value) +
                                (s.value == 0 ? " (the camera itself still moves)" : ""));
}

}  // namespace

std::string keyName(int code) {
    static const std::map<int, const char*> kNames = {
        {0x01, "left mouse button"}, {0x02, "right mouse button"}, {0x03, "CTRL+BREAK"}, {0x04, "middle mouse button"},
        {0x05, "mouse button X1"},   {0x06, "mouse button X2"},    {0x08, "BACKSPACE"},  {0x09, "TAB"},
        {0x0C, "CLEAR"},             {0x0D, "ENTER"},              {0x10, "SHIFT"},      {0x11, "CTRL"},
        {0x12, "ALT"},               {0x13, "PAUSE"},              {0x14, "CAPS LOCK"},  {0x15, "IME KANA"},
        {0x17, "IME JUNJA"},         {0x18, "IME FINAL"},          {0x19, "IME KANJI"},  {0x1B, "ESC"},
        {0x1C, "IME CONVERT"},       {0x1D, "IME NONCONVERT"},     {0x1E, "IME ACCEPT"}, {0x1F, "IME MODE"},
        {0x20, "SPACE"},             {0x21, "PAGE UP"},            {0x22, "PAGE DOWN"},  {0x23, "END"},
        {0x24, "HOME"},              {0x25, "LEFT"},               {0x26, "UP"},         {0x27, "RIGHT"},
        {0x28, "DOWN"},              {0x29, "SELECT"},             {0x2A, "PRINT"},      {0x2B, "EXECUTE"},
        {0x2C, "PRINT SCREEN"},      {0x2D, "INSERT"},             {0x2E, "DELETE"},     {0x2F, "HELP"},
        {0x5B, "LEFT WINDOWS"},      {0x5C, "RIGHT WINDOWS"},      {0x5D, "APPS"},       {0x5F, "SLEEP"},
        {0x6A, "keypad *"},          {0x6B, "keypad +"},           {0x6C, "keypad SEPARATOR"}, {0x6D, "keypad -"},
        {0x6E, "keypad ."},          {0x6F, "keypad /"},           {0x90, "NUM LOCK"},   {0x91, "SCROLL LOCK"},
        {0xA0, "LEFT SHIFT"},        {0xA1, "RIGHT SHIFT"},        {0xA2, "LEFT CTRL"},  {0xA3, "RIGHT CTRL"},
        {0xA4, "LEFT ALT"},          {0xA5, "RIGHT ALT"},          {0xA6, "BROWSER BACK"}, {0xA7, "BROWSER FORWARD"},
        {0xA8, "BROWSER REFRESH"},   {0xA9, "BROWSER STOP"},       {0xAA, "BROWSER SEARCH"}, {0xAB, "BROWSER FAVORITES"},
        {0xAC, "BROWSER HOME"},      {0xAD, "VOLUME MUTE"},        {0xAE, "VOLUME DOWN"}, {0xAF, "VOLUME UP"},
        {0xB0, "NEXT TRACK"},        {0xB1, "PREVIOUS TRACK"},     {0xB2, "STOP MEDIA"}, {0xB3, "PLAY/PAUSE"},
        {0xB4, "MAIL"},              {0xB5, "MEDIA SELECT"},       {0xB6, "APP 1"},      {0xB7, "APP 2"},
        {0xBA, ";"},                 {0xBB, "="},                  {0xBC, ","},          {0xBD, "-"},
        {0xBE, "."},                 {0xBF, "/"},                  {0xC0, "`"},          {0xDB, "["},
        {0xDC, "\\"},                {0xDD, "]"},                  {0xDE, "'"},          {0xDF, "OEM 8"},
        {0xE2, "<>"},                {0xE5, "IME PROCESS"},        {0xE7, "PACKET"},     {0xF6, "ATTN"},
        {0xF7, "CRSEL"},             {0xF8, "EXSEL"},              {0xF9, "EREOF"},      {0xFA, "PLAY"},
        {0xFB, "ZOOM"},              {0xFD, "PA1"},                {0xFE, "OEM CLEAR"},
    };
    if (code >= '0' && code <= '9') return std::string(1, static_cast<char>(code));
    if (code >= 'A' && code <= 'Z') return std::string(1, static_cast<char>(code));
    if (code >= 0x60 && code <= 0x69) return "keypad " + std::to_string(code - 0x60);
    if (code >= 0x70 && code <= 0x87) return "F" + std::to_string(code - 0x6F);
    // OEM-specific codes are keys on some keyboards.
    if ((code >= 0x92 && code <= 0x96) || code == 0xE1 || code == 0xE3 || code == 0xE4 || code == 0xE6 ||
        (code >= 0xE9 && code <= 0xF5))
        return "OEM key";
    auto it = kNames.find(code);
    return it == kNames.end() ? std::string() : it->second;
}

IniReport analyseIni(const std::string& path) {
    std::string text;
    return analyseIniText(path, readSettingsFile(path.c_str(), text) ? &text : nullptr);
}

IniReport analyseIniText(const std::string& path, const std::string* file) {
    IniReport r;
    r.path = path;
    const std::vector<NumberSetting> numbers = numberSettings();
    for (const NumberSetting& s : numbers) r.numbers.*s.field = s.defaultValue;

    std::string section;  // lines before the first header belong to the empty-named section
    bool sawHeader = false;
    std::map<std::string, int> switchLine;  // line that decided each switch
    std::map<std::string, bool> switchValue;
    std::map<std::string, int> numberLine;  // first line for each number, usable or not
    std::map<std::string, std::optional<float>> numberValue;
    std::vector<int> toggleLines;  // lines that stored a ToggleKey code
    int32_t toggleKey = kDefaultToggleKey;
    std::string toggleValue;
    bool warnedLoneCarriageReturn = false;
    int n = 0;

    auto warn = [&](int line, const std::string& text) { r.warnings.push_back({line, text}); };

    auto unreadSection = [&]() {
        if (!sawHeader) return std::string("lines before the first section header are not read");
        return "section [" + printable(section) + "] is not read";
    };

    auto handleSwitch = [&](LineFate& f, const std::string& name, const std::string& value) {
        if (switchLine.count(name)) {
            f.notes.push_back("passed over: an earlier line (" + std::to_string(switchLine[name]) +
                              ") already decided " + name);
            warn(n, name + " is set again; only line " + std::to_string(switchLine[name]) +
                        " counts (the first recognised value wins)");
            return;
        }
        bool on = true;
        if (readBoolValue(value, on)) {
            switchLine[name] = n;
            switchValue[name] = on;
            f.notes.push_back("sets " + name + " = " + (on ? "true" : "false"));
            return;
        }
        const std::string shown = value.empty() ? std::string("an empty value") : printable(value);
        f.notes.push_back("passed over: " + shown + " is not one of 1, true, True, 0, false, False");
        warn(n, name + "=" + printable(value) + " is passed over: " + shown +
                    " is not one of 1, true, True, 0, false, False");
    };

    auto handleNumber = [&](LineFate& f, const std::string& name, const std::string& value) {
        if (numberLine.count(name)) {
            f.notes.push_back("passed over: an earlier line (" + std::to_string(numberLine[name]) +
                              ") already decided " + name);
            warn(n, name + " is set again; only line " + std::to_string(numberLine[name]) +
                        " counts (the first line for a number decides, usable or not)");
            return;
        }
        numberLine[name] = n;
        const FloatReading read = readFloatText(value);
        if (read.what == FloatText::Number) {
            const float v = read.value;
            numberValue[name] = v;
            f.notes.push_back("sets " + name + " = " + formatFloat(v));
            // Where the conversion stopped (up to a NUL byte), for the modder's sake only.
            const std::string rest = value.substr(read.used).c_str();
            if (!rest.empty()) {
                f.notes.push_back("reads " + formatFloat(v) + " from " + quoted(value) + "; " + quoted(rest) +
                                  " is ignored");
                warn(n, name + " reads " + formatFloat(v) + " from " + quoted(value) + ": " + quoted(rest) +
                            " is ignored");
            }
            return;
        }
        numberValue[name] = std::nullopt;
        const bool startsWithNumber = read.what == FloatText::OutOfRange;
        const std::string why = value.empty()        ? "an empty value is not a number"
                                : startsWithNumber ? quoted(value) + " is out of range"
                                                   : quoted(value) + " is not a number";
        f.notes.push_back("unusable: " + why + "; " + name + " keeps its default, and later lines for it are not read");
        warn(n, name + ": " + why + ", so it keeps its default");
    };

    auto handleOtherKey = [&](LineFate& f, const std::string& name) {
        if (name == "ToggleKey") {
            f.notes.push_back("not a setting of this section (ToggleKey is read as a key binding in any section)");
            return;
        }
        std::vector<std::string> real(std::begin(kSwitchKeys), std::end(kSwitchKeys));
        for (const NumberSetting& s : numbers) real.push_back(s.key);
        real.push_back("ToggleKey");
        for (const std::string& key : real) {
            if (loose(key) != loose(name)) continue;
            f.notes.push_back("passed over: no setting is called " + quoted(name) + " (names are compared exactly: " +
                              key + ")");
            if (key != "ToggleKey") warn(n, quoted(name) + " is not " + key + ": names are compared exactly");
            return;
        }
        std::string best;
        size_t bestDistance = 3;
        for (const std::string& key : real) {
            const size_t d = editDistance(loose(name), loose(key));
            if (d < bestDistance) best = key, bestDistance = d;
        }
        f.notes.push_back("passed over: [" + section + "] has no setting " + quoted(name));
        warn(n, "[" + section + "] has no setting " + quoted(name) + (best.empty() ? "" : " (" + best + "?)"));
    };

    auto handleBinding = [&](LineFate& f, const std::string& line) {
        // The binding reader's own rule: any line with "=", sections and comments aside.
        const std::string::size_type equals = line.find('=');
        if (equals == std::string::npos) return;
        const std::string name(trimBlanks(std::string_view(line).substr(0, equals)));
        const std::string value = upperCase(trimBlanks(std::string_view(line).substr(equals + 1)));
        int32_t code = 0;
        if (keyCodeFor(value, code)) {
            if (name == "ToggleKey") {
                toggleKey = code;
                toggleValue = value;
                toggleLines.push_back(n);
                f.notes.push_back("key binding: ToggleKey = " + describeKey(code));
            } else if (loose(name) == loose("ToggleKey")) {
                f.notes.push_back("key binding " + quoted(name) + " = " + std::to_string(code) +
                                  " stored but never looked up (the name is ToggleKey)");
                warn(n, quoted(name) + " is not ToggleKey: names are compared exactly, so this binding is never used");
            } else {
                f.notes.push_back("also read as a key binding: code " + std::to_string(code) + " stored under " +
                                  quoted(name) + ", never used");
            }
            return;
        }
        const std::string message = unknownBindingMessage(name, value);
        r.printed.push_back(message);
        if (name == "ToggleKey") {
            f.notes.push_back("key binding: prints " + quoted(message) + "; the toggle key stays as it was");
            warn(n, "ToggleKey=" + printable(value) + " names no key: the plug-in prints " + quoted(message) +
                        " and keeps the toggle key it had");
        } else {
            f.notes.push_back("also read as a key binding: prints " + quoted(message) + " at every start (harmless)");
            if (loose(name) == loose("ToggleKey"))
                warn(n, quoted(name) + " is not ToggleKey: names are compared exactly, so this binding is never used");
        }
    };

    const std::string text = file ? *file : std::string();
    r.readable = file != nullptr;
    // Notepad's "Unicode": every ASCII byte followed (or preceded) by a NUL,
    // and CR bytes that are no line ends of the plug-in's.
    const bool utf16 = text.compare(0, 2, "\xFF\xFE") == 0 || text.compare(0, 2, "\xFE\xFF") == 0;
    if (utf16) warnedLoneCarriageReturn = true;
    size_t pos = 0;
    std::string_view lineView;
    while (r.readable && nextLine(text, pos, lineView)) {
        const std::string line(lineView);
        ++n;
        LineFate f;
        f.number = n;
        f.text = line;
        if (n == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            warn(n, "the file starts with a UTF-8 byte-order mark, which the plug-in reads as text: "
                    "line 1 can never be a section header (save the file without BOM)");
        if (n == 1 && utf16)
            warn(n, "the file is saved as UTF-16 (Notepad's \"Unicode\"): the plug-in reads it byte by byte and "
                    "finds none of its settings in it (save it as UTF-8 or ANSI)");
        const std::string trimmed(trimBlanks(line));
        if (!warnedLoneCarriageReturn && trimmed.find('\r') != std::string::npos) {
            warnedLoneCarriageReturn = true;
            warn(n, "line ends made of a carriage return alone: the plug-in reads all of them as one line");
        }
        std::string_view nameView, valueView;
        const LineKind kind = classifyLine(trimmed, nameView, valueView);
        const std::string name(nameView), value(valueView);
        switch (kind) {
        case LineKind::Empty:
            f.notes.push_back("ignored: blank");
            break;
        case LineKind::Comment:
            f.notes.push_back("ignored: comment");
            break;
        case LineKind::Section:
            section = name;
            sawHeader = true;
            if (name == "Projectiles" || name == "Lingering") {
                f.notes.push_back("section [" + name + "]: its " + (name == "Projectiles" ? "switches" : "numbers") +
                                  " are read from here on");
                break;
            }
            f.notes.push_back("section [" + printable(name) + "] is not read (only [Projectiles] and [Lingering] are)");
            for (const char* real : {"Projectiles", "Lingering"})
                if (loose(name) == loose(real))
                    warn(n, "[" + printable(name) + "] is not [" + real +
                                "]: section names are compared exactly, blanks and case included, "
                                "so the settings below it are not read");
            break;
        case LineKind::NoEquals:
            if (trimmed.front() == '[') {
                f.notes.push_back("ignored: not a section header (it must end with \"]\") and no \"=\"");
                warn(n, quoted(trimmed) + " is not a section header (nothing may follow the \"]\"): the lines below " +
                            (sawHeader ? "stay in [" + printable(section) + "]" : "stay outside every section"));
            } else {
                f.notes.push_back("ignored: no \"=\"");
                const std::string first = trimmed.substr(0, trimmed.find_first_of(" \t:"));
                if (isSwitchKey(first) || isNumberKey(numbers, first) || first == "ToggleKey")
                    warn(n, quoted(trimmed) + " has no \"=\" and is ignored");
            }
            break;
        case LineKind::Entry:
            if (section == "Projectiles" && isSwitchKey(name)) {
                handleSwitch(f, name, value);
            } else if (section == "Lingering" && isNumberKey(numbers, name)) {
                handleNumber(f, name, value);
            } else if (isSwitchKey(name) || isNumberKey(numbers, name)) {
                const char* home = isSwitchKey(name) ? "Projectiles" : "Lingering";
                const std::string where = (section == "Projectiles" || section == "Lingering")
                                              ? "[" + section + "] does not hold it"
                                              : unreadSection();
                f.notes.push_back("passed over: " + where + "; " + name + " is read only in [" + home + "]");
                // A near-miss section header has had its warning already.
                if (loose(section) != loose(home))
                    warn(n, name + " is written under " + (sawHeader ? "[" + printable(section) + "]" : "no section") +
                                "; it is read only in [" + home + "], so it keeps its default");
            } else if (section == "Projectiles" || section == "Lingering") {
                handleOtherKey(f, name);
            } else if (name != "ToggleKey") {
                f.notes.push_back("passed over: " + unreadSection());
            }
            break;
        }
        handleBinding(f, line);
        r.lines.push_back(f);
    }
    if (!r.readable) return r;

    // Earlier ToggleKey bindings give way to the last one with a code. (Line
    // n is r.lines[n - 1]: a file of many such lines stays one pass.)
    for (size_t k = 0; k + 1 < toggleLines.size(); ++k)
        r.lines[static_cast<size_t>(toggleLines[k] - 1)].notes.push_back("replaced by the ToggleKey binding on line " +
                                                                         std::to_string(toggleLines.back()));

    // ---- Effective values: the plug-in's own reads of the file ----------------------------------
    const int toggleLine = toggleLines.empty() ? 0 : toggleLines.back();
    r.settings.push_back({"ToggleKey", describeKey(toggleKey), toggleLine, toggleLine == 0,
                          toggleLine != 0 && toggleKey == kDefaultToggleKey});
    for (const char* key : kSwitchKeys) {
        const bool read = boolFromText(text, "Projectiles", key);
        const bool predicted = switchLine.count(key) ? switchValue[key] : true;
        if (read != predicted)
            warn(0, std::string("internal: ini-check expected ") + key + " = " + (predicted ? "true" : "false") +
                        " but the plug-in reads " + (read ? "true" : "false"));
        const int line = switchLine.count(key) ? switchLine[key] : 0;
        r.settings.push_back({key, read ? "true" : "false", line, line == 0, line != 0 && read});
    }
    for (const NumberSetting& s : numbers) {
        const float read = floatFromText(text, "Lingering", s.key, s.defaultValue);
        const bool usable = numberValue.count(s.key) && numberValue[s.key].has_value();
        const float predicted = usable ? *numberValue[s.key] : s.defaultValue;
        if (!sameFloat(read, predicted))
            warn(0, std::string("internal: ini-check expected ") + s.key + " = " + formatFloat(predicted) +
                        " but the plug-in reads " + formatFloat(read));
        const int line = numberLine.count(s.key) ? numberLine[s.key] : 0;
        r.settings.push_back({s.key, formatFloat(read), line, !usable, usable && sameFloat(read, s.defaultValue)});

        r.numbers.*s.field = read;
    }
    warnAboutNumbers(r.numbers, numberLine, warn);

    // A toggle key that cannot be pressed leaves the plug-in on for good.
    const std::string binding = "ToggleKey=" + printable(toggleValue) + " gives code " + std::to_string(toggleKey);
    if (toggleLine != 0) {
        const bool loneDigit = toggleValue.size() == 1 && std::isdigit(static_cast<unsigned char>(toggleValue[0]));
        const std::string digitHint =
            loneDigit ? " (a lone digit is read as a code; the key marked " + toggleValue + " is " +
                            std::to_string(toggleValue[0]) + ")"
                      : "";
        if (toggleKey < 1 || toggleKey > 254) {
            warn(toggleLine, binding + ", which no key has (key codes run from 1 to 254): the plug-in can never "
                                       "be switched off");
        } else if (keyName(toggleKey).empty()) {
            warn(toggleLine, binding + ", which is not a key: the plug-in can never be switched off");
        } else if (isMouseButton(toggleKey)) {
            warn(toggleLine, binding + ", the " + keyName(toggleKey) + ": every click would switch the plug-in" +
                                 digitHint);
        } else if (loneDigit) {
            warn(toggleLine, binding + " (" + keyName(toggleKey) + ")" + digitHint);
        } else if (toggleValue.size() >= 2 && toggleValue[0] == 'F' &&
                   std::isdigit(static_cast<unsigned char>(toggleValue[1])) &&
                   (toggleKey < 0x70 || toggleKey > 0x87)) {
            warn(toggleLine, binding + " (" + keyName(toggleKey) + "): there is no key " + toggleValue +
                                 "; function keys run from F1 to F24");
        }
    }
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
        std::string text = printable(f.text);
        if (text.size() > kWidth) text = text.substr(0, kWidth - 3) + "...";
        char number[16];
        std::snprintf(number, sizeof number, "%5d  ", f.number);
        for (size_t k = 0; k < f.notes.size(); ++k) {
            if (k == 0)
                out << number << text << std::string(kWidth - text.size() + 2, ' ');
            else
                out << std::string(7 + kWidth + 2, ' ');
            out << f.notes[k] << '\n';
        }
    }

    out << "\nEffective settings\n";
    for (const EffectiveSetting& s : r.settings) {
        std::string source = s.isDefault ? "default" : "line " + std::to_string(s.line);
        if (s.isDefault && s.line != 0) source += " (line " + std::to_string(s.line) + " is unusable)";
        if (s.sameAsDefault) source += " (the default)";
        char row[160];
        std::snprintf(row, sizeof row, "  %-24s %-22s %s\n", s.key.c_str(), s.value.c_str(), source.c_str());
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

int iniCheckStatus(const IniReport& r) {
    if (!r.readable) return 2;
    return r.warnings.empty() ? 0 : 1;
}

}  // namespace tools
