// ini-check: what the plug-in makes of a settings file, line by line.
//
// Every decision goes through the plug-in's own settings code (line reading,
// classification, switch and number conversion, key codes), and the effective
// values are the plug-in's own reads of the file, so the check cannot drift
// from what players get.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "settings_meaning.h"

namespace tools {

struct LineFate {
    int number = 0;
    std::string text;                // the line as read (line feed removed)
    std::vector<std::string> notes;  // what happens to it; several when it is also a key binding
};

struct EffectiveSetting {
    std::string key;
    std::string value;  // as the plug-in holds it: "78 (N)", "true", "2.5"
    int line = 0;       // the line that set it; 0: the default
    bool isDefault = true;       // no usable line: the default applies
    bool sameAsDefault = false;  // set by a line, to the default value
};

struct Finding {
    int line = 0;  // 0: the file as a whole
    std::string text;
};

struct IniReport {
    std::string path;
    bool readable = false;
    std::vector<LineFate> lines;
    std::vector<EffectiveSetting> settings;  // ToggleKey, the six switches, the seven numbers
    std::vector<std::string> printed;        // the exact lines the plug-in prints at every start
    std::vector<Finding> warnings;
    Numbers numbers;  // the seven numbers as the plug-in holds them
};

// The settings the catalogue reads from its two sections: the six switches
// of [Projectiles], in reading order, and the seven numbers of [Lingering]
// with the plug-in's variables that hold them and their load-time defaults
// (numberSettings puts the variables back to those defaults).
extern const char* const kSwitchKeys[6];
struct NumberSetting {
    const char* key;
    float* variable;
    float Numbers::*field;
    float defaultValue;
};
std::vector<NumberSetting> numberSettings();

IniReport analyseIni(const std::string& path);
// The same for a file's content already read (null: it could not be read);
// `path` only names it.
IniReport analyseIniText(const std::string& path, const std::string* file);
void printIniReport(const IniReport& report, std::ostream& out);
// 0 clean, 1 with warnings, 2 when the file cannot be read.
int iniCheckStatus(const IniReport& report);

// Short name of a Windows virtual-key code ("N", "F5", "SPACE"); empty when
// no key has that code.
std::string keyName(int code);

}  // namespace tools
