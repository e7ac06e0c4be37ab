#include "exact_json.h"

#include <cmath>
#include <stdexcept>

#include "float_text.h"
#include "settings/float_conversion.h"

namespace sim {

using nlohmann::json;

json floatJson(float value) { return std::isfinite(value) ? json(value) : json(floatText(value)); }

float jsonFloat(const json& value) {
    if (!value.is_string()) return value.get<float>();
    const std::string text = value.get<std::string>();
    const FloatReading read = readFloatText(text);
    if (read.what != FloatText::Number || read.used != text.size())
        throw std::runtime_error("expected a number, or inf, -inf, nan as the tools write them; got " + value.dump());
    return read.value;
}

std::string latin1(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool fromLatin1(const std::string& text, std::string& bytes) {
    bytes.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size()) {
            bytes += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F));
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace sim
