#include "settings/float_conversion.h"

#include <string>

#include <gtest/gtest.h>

#include "reading_text.h"


// What the Windows build's C runtime (its std::stof) answers, as run under
// Wine: one text for each of its rules that another C library answers
// otherwise, or that is easy to get wrong. The corpus test holds the whole
// conversion against the runtime itself; these pin the rules for a native build.
TEST(FloatConversion, ReadsAsTheWindowsRuntimeDoes) {
    // Digits that matter only past the 200th, and a written exponent past 19999.
    const std::string tail = "16777217." + std::string(250, '0') + "1";
    const std::string small = "0." + std::string(20001, '0') + "1e20050";
    const struct {
        std::string_view text;
        const char* answer;
    } cases[] = {
        // Decimal: nearest, ties to even; the bytes the number takes.
        {"0.7", "3F333333 3"}, {"-.5e-1", "BD4CCCCD 6"}, {"4s", "40800000 1"}, {"1e+", "3F800000 1"},
        {"16777217", "4B800000 8"}, {"16777219", "4B800002 8"}, {tail, "4B800001 260"}, {"- 5", "no number"},
        {"5.", "40A00000 2"}, {"-0", "80000000 2"}, {"\v5", "40A00000 2"}, {"+-1", "no number"},
        {".e5", "no number"}, {"", "no number"}, {std::string_view("5\0" "9", 3), "40A00000 1"},
        // Overflow, and the largest float just below its rounding boundary.
        {"3.4028235e38", "7F7FFFFF 12"}, {"3.4028236e38", "out of range"},
        {"340282356779733661637539395458142568447", "7F7FFFFF 39"},
        {"340282356779733661637539395458142568448", "out of range"},
        // A written exponent beyond 19999 counts as 19999.
        {"0.00000000000000000000000000000000000000001e19999999999", "out of range"}, {"0e99999", "00000000 7"},
        {small, "3A83126F 20010"},
        // Subnormal or zero and not exact: a range error; just above: the smallest normal.
        {"1e-45", "out of range"}, {"1.17549421e-38", "out of range"}, {"1.1754943e-38", "00800000 13"},
        // Exactly halfway above the subnormal 1: the runtime's slip gives the smallest normal.
        {"2.101947696487225606385594374934874196920392912814773657635602425834686624028790902229957282543182373046875e-45",
         "00800000 111"},
        // Hexadecimal: subnormals read without a range error; ties to even; overflow.
        {"0x4.10fb9p-143", "00000104 14"}, {"-0x1p-140", "80000200 9"}, {"0x1p-150", "out of range"},
        {"0x1.000001p0", "3F800000 12"}, {"0x1.0000011p0", "3F800001 13"}, {"0x1.000003p0", "3F800002 12"},
        {"0x1.fffffep127", "7F7FFFFF 14"}, {"0x1.ffffffp127", "out of range"}, {"0x1p99999999999", "out of range"},
        {"0x", "00000000 1"}, {"0x0.p1", "00000000 6"}, {"0x1g", "3F800000 3"},
        // Not a number: payload bits as written, quiet or not; the sign kept.
        {"nan", "7FC00000 3"}, {"-nan", "FFC00000 4"}, {"nan(0)", "7F800001 6"}, {"nan(12)", "7F800012 7"},
        {"nan(0x12)", "7F800012 9"}, {"nan(800000)", "7F800000 11"}, {"nan(123456789)", "7FB45678 14"},
        {"nan(12 34)", "7F800012 10"}, {"nan(1z)", "7FC00000 7"}, {"nan(12", "7F800012 3"}, {"-nan(1)", "FF800001 7"},
        // Infinity, in either spelling and any case.
        {"-infinity", "FF800000 9"}, {"infinit", "7F800000 3"}, {"+INF", "7F800000 4"}, {"-in", "no number"},
    };
    for (const auto& c : cases) EXPECT_EQ(readingText(readFloatText(c.text)), c.answer) << std::string(c.text);
}
