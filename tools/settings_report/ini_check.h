// ini-check: what the plug-in makes of a settings file, line by line.
//
// The record is made from the plug-in's own settings code: its load gives
// the values and the printed lines, its reads say which line decides each
// setting, and its classification of a line (and of a key binding) decides
// each line's fate. ini-check adds words and warnings, nothing it could get wrong.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "settings/catalogue.h"

namespace tools {

struct LineFate {
    int number = 0;
    std::string text;                // the line as read (line feed removed)
    std::vector<std::string> notes;  // what happens to it; several when it is also a key binding
};

struct EffectiveSetting {
    const Setting* setting = nullptr;
    std::string value;           // as the plug-in holds it: "78 (N)", "true", "2.5"
    int line = 0;                // the line that decides it; 0: none
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
    std::vector<EffectiveSetting> settings;  // row by row of kSettings
    std::vector<std::string> printed;        // the exact lines the plug-in prints at every start
    std::vector<Finding> warnings;
    StartupSettings loaded;                  // the toggle key and the switches as the plug-in read them
};

// Each loads the file into the plug-in's own settings, as a fresh start of
// the plug-in would: its number variables then hold the file's numbers.
IniReport analyseIni(const std::string& path);
// The same for a file's content already read (null: it could not be read);
// `path` only names it.
IniReport analyseIniText(const std::string& path, const std::string* file);
void printIniReport(const IniReport& report, std::ostream& out);
// 0 clean, 1 with warnings, 2 when the file cannot be read.
int iniCheckStatus(const IniReport& report);

// Bytes as the tools show them: a tab as \t, every other control byte as
// \xNN, and bytes from 0x80 as they are when the text is UTF-8, else as \xNN.
std::string shownText(std::string_view bytes);
// Bit for bit: a NaN's payload counts, and -0 is not 0.
bool sameBits(float a, float b);

// The tools' one table of keys (key_names.cpp). Short name of a Windows
// virtual-key code ("N", "F5", "SPACE", "left mouse button"); empty when no
// key has that code.
std::string keyName(int code);
// The value a settings file gives for the code: a letter, F1 to F24, one of
// the plug-in's named keys, else the code in hexadecimal.
std::string keyText(int32_t code);

}  // namespace tools
