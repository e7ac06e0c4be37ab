// The tools draw nothing themselves: every page they write is the tuner page
// (Veltrix-tuner.html, built from web/) with the data of a run or a check in
// its data slot, which the page reads and draws.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "exact_json.h"

namespace tools {

// Bytes the page must get back exactly travel as sim::latin1 gives them.
using sim::fromLatin1;
using sim::latin1;

// The first of `candidates` that is a file.
std::optional<std::filesystem::path> findPage(const std::vector<std::filesystem::path>& candidates);

// Where a tool looks for the tuner page: `given` alone when not empty; else
// Veltrix-tuner.html in the tool's own folder (when that is given), then the
// page this build made (none in a release binary, which carries no build path).
std::vector<std::filesystem::path> tunerPageCandidates(const std::string& given,
                                                       const std::filesystem::path& programDirectory);

// `page` with `data` in its slot. Throws std::runtime_error when the page has
// no slot (not a tuner page).
std::string pageWithData(const std::string& page, const nlohmann::json& data);
// Writes `to`: the tuner page at `tuner` with `data` in its slot. Throws
// std::runtime_error when that page cannot be read or has no slot, or `to`
// cannot be written.
void writePageWithData(const std::filesystem::path& tuner, const std::filesystem::path& to,
                       const nlohmann::json& data);

// Reads a whole file as bytes; false when it cannot be read.
bool readBytes(const std::filesystem::path& path, std::string& bytes);

}  // namespace tools
