// A reading of a number text in words, as the corpus answers and the tests
// write it: the float's bits and the bytes it takes, "no number" or "out of range".
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "settings/float_conversion.h"

inline std::string readingText(const FloatReading& r) {
    if (r.what == FloatText::NoNumber) return "no number";
    if (r.what == FloatText::OutOfRange) return "out of range";
    uint32_t bits;
    std::memcpy(&bits, &r.value, sizeof bits);
    char text[32];
    std::snprintf(text, sizeof text, "%08X %zu", static_cast<unsigned>(bits), r.used);
    return text;
}
