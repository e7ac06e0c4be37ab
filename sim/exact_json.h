// Values that must cross JSON exactly, in every file and page the tools
// write: floats bit for bit, bytes as bytes.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace sim {

// Floats in JSON: a number, or a string for what JSON has no number for
// (inf, -inf, nan and nan(payload), as floatText writes them), so that every
// float crosses bit for bit. jsonFloat throws std::runtime_error on anything else.
nlohmann::json floatJson(float value);
float jsonFloat(const nlohmann::json& value);

// Bytes that must cross JSON exactly (a settings file, what the plug-in
// printed): each byte as the code point of the same value, which JSON
// carries whatever the bytes are.
std::string latin1(const std::string& bytes);
// The bytes again; false when a code point is past 0xFF.
bool fromLatin1(const std::string& text, std::string& bytes);

}  // namespace sim
