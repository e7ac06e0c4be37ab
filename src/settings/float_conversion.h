// The number a settings value starts with, read the way the shipped Windows
// build's C runtime reads it, on every platform. The plug-in's numbers go
// through std::stof, and each C library answers the edge cases its own way
// (subnormals, hexadecimal rounding, NaN payloads, what counts as out of
// range); the tools and the browser's WebAssembly module must read a file as
// the game does, so the plug-in carries that one reading itself.
#pragma once

#include <cstddef>
#include <string_view>

enum class FloatText { Number, NoNumber, OutOfRange };

// What the Windows build's std::stof makes of a value: a number (the float,
// bits included), no number at its start, or a range error; and how many
// bytes the number takes, where the conversion stopped (0 unless read).
// The value ends at its first NUL byte, as the C string handed to the
// conversion does.
struct FloatReading {
    FloatText what = FloatText::NoNumber;
    float value = 0.0f;
    size_t used = 0;
};
FloatReading readFloatText(std::string_view value);

// The plug-in's use of it: false (result left alone) unless a number was read.
inline bool convertFloat(std::string_view value, float& result) {
    const FloatReading r = readFloatText(value);
    if (r.what != FloatText::Number) return false;
    result = r.value;
    return true;
}
