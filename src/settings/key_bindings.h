// Key bindings: every "name=value" line of the settings file, as virtual-key codes.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

extern std::unordered_map<std::string, int32_t> keyBindings;

// Fills keyBindings from the settings file; prints one line for each value
// that names no key.
void loadKeyBindings();
