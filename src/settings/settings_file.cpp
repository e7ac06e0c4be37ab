#include "settings/settings_file.h"
std::string trimBlanks(const std::string& text) { return text; }
bool readBool(const char*, const std::string&, const std::string&) { return true; }
float readFloat(const char*, const std::string&, const std::string&, float fallback) { return fallback; }
