// Key bindings: every "name=value" line of the settings file, as virtual-key codes.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

extern std::unordered_map<std::string, int32_t> keyBindings;

// Fills keyBindings from the settings file; prints one line for each value
// that names no key.
void loadKeyBindings();

// ASCII a to z become A to Z; every other byte stays.
std::string upperCase(const std::string& text);

// The virtual-key code an upper-cased binding value names: a letter, F0 to F99,
// a 0X hexadecimal or a decimal code, or one of SPACE, ENTER, RETURN, ESC,
// ESCAPE, TAB. False when it names none, when the number read is 0 or outside
// the signed 32-bit range, or when no number follows an F or 0X.
bool keyCodeFor(const std::string& upperValue, int32_t& code);
