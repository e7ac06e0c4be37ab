// The tools' one table of keys: what a Windows virtual-key code is called,
// and how a settings file names it so that the plug-in reads that code.
#pragma once

#include <cstdint>
#include <string>

namespace tools {

// Short name of a Windows virtual-key code ("N", "F5", "SPACE", "left mouse
// button"); empty when no key has that code.
std::string keyName(int code);

// "78 (N)", "7 (no key)".
std::string describeKey(int32_t code);

// The value a settings file gives for the code: a letter, F1 to F24, one of
// the plug-in's named keys, else the code in hexadecimal.
std::string keyText(int32_t code);

}  // namespace tools
