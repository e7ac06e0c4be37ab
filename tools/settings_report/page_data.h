// The tools draw nothing themselves: every page they write is the tuner page
// (Veltrix-tuner.html, built from web/) with the data of a run or a check in
// its data slot, which the page reads and draws.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace tools {

// JSON as the pages read it. Text from a settings file may be any bytes: what
// is not UTF-8 becomes a replacement character rather than losing the answer.
std::string jsonText(const nlohmann::json& value);

// Where a tool looks for the tuner page: `given` alone when not empty; else
// Veltrix-tuner.html in the tool's own folder (when that is given), then the
// page this build made (none in a release binary, which carries no build path).
std::vector<std::filesystem::path> tunerPageCandidates(const std::string& given,
                                                       const std::filesystem::path& programDirectory);

// `page` with `data` in its slot. Throws std::runtime_error when the page has
// no slot (not a tuner page).
std::string pageWithData(const std::string& page, const nlohmann::json& data);
// Writes `to`: the first of `candidates` that is a file, a tuner page, with
// `data` in its slot; false when none is a file. Throws std::runtime_error
// when that page cannot be read or has no slot, or `to` cannot be written.
bool writeTunerPage(const std::vector<std::filesystem::path>& candidates, const std::filesystem::path& to,
                    const nlohmann::json& data);

// A file opened to read its bytes with readOpenFile, by a path of any letters
// (Windows' narrow fopen cannot spell every name); null when it cannot be.
std::FILE* openForReading(const std::filesystem::path& path);
// Throws std::runtime_error when `path` cannot be written.
void writeBytes(const std::filesystem::path& path, const std::string& bytes);

}  // namespace tools
