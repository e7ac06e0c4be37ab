// Reader of the INI-style settings file: switches and numbers by section and key.
#pragma once

#include <string>

// Strips exactly space, tab, carriage return and line feed from both ends.
std::string trimBlanks(const std::string& text);

// Fallback true: a missing file, section or key, or only unrecognised values.
bool readBool(const char* path, const std::string& section, const std::string& key);

// The first matching entry decides; the fallback when it does not convert.
float readFloat(const char* path, const std::string& section, const std::string& key, float fallback);
