// How the tools write a float, everywhere a person or a file reads one.
#pragma once

#include <string>

namespace sim {

// The shortest decimal that reads back as the same float, sign included,
// without an exponent for everyday magnitudes ("10", "0.05", "1e-07");
// infinities as "inf" and "-inf"; a NaN as "nan" or "-nan" when it is the
// quiet NaN a plain "nan" gives, else with its payload in hexadecimal,
// "nan(12)". The plug-in's own reader reads every one of these back to the
// same bits (a subnormal's decimal aside, which it refuses as out of range).
std::string floatText(float value);

}  // namespace sim
