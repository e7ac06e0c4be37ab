#include "float_text.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sim {

std::string floatText(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const std::string sign = std::signbit(value) ? "-" : "";
    if (std::isinf(value)) return sign + "inf";
    if (std::isnan(value)) {
        constexpr uint32_t kPayload = 0x007FFFFF, kQuietPayload = 0x00400000;
        char payload[16];
        std::snprintf(payload, sizeof payload, "(%X)", static_cast<unsigned>(bits & kPayload));
        return sign + "nan" + ((bits & kPayload) == kQuietPayload ? "" : payload);
    }
    const float magnitude = std::fabs(value);
    const bool everyday = magnitude == 0.0f || (magnitude >= 1e-4f && magnitude < 1e7f);
    char text[32];
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        const float back = std::strtof(text, nullptr);
        const bool exact = back == value && std::signbit(back) == std::signbit(value);
        if (exact && (!everyday || std::strchr(text, 'e') == nullptr)) break;
    }
    return text;
}

}  // namespace sim
