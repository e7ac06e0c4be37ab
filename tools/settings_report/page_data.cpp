#include "settings_report.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "settings/settings_file.h"

namespace tools {

namespace fs = std::filesystem;
using nlohmann::json;

// The page's slot, as web/src/index.html has it. Its content is JSON, never
// run, so a file's text put there cannot become markup or script.
const char kSlotStart[] = "<script id=\"veltrix-data\" type=\"application/json\">";
const char kSlotEnd[] = "</script>";

std::string jsonText(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

std::vector<fs::path> tunerPageCandidates(const std::string& given, const fs::path& programDirectory) {
    if (!given.empty()) return {fs::u8path(given)};
    std::vector<fs::path> list;
    if (!programDirectory.empty()) list.push_back(programDirectory / "Veltrix-tuner.html");
#ifdef VELTRIX_BUILT_TUNER_PAGE
    list.push_back(fs::u8path(VELTRIX_BUILT_TUNER_PAGE));
#endif
    return list;
}

std::string pageWithData(const std::string& page, const json& data) {
    const size_t start = page.find(kSlotStart);
    const size_t from = start == std::string::npos ? start : start + sizeof kSlotStart - 1;
    const size_t end = start == std::string::npos ? start : page.find(kSlotEnd, from);
    if (end == std::string::npos) throw std::runtime_error("not a tuner page: it has no data slot");
    // "<" only ever stands inside a JSON string, where \u003c is the same
    // character; so no "</script" can end the slot early.
    std::string text;
    for (char c : jsonText(data)) text += c == '<' ? "\\u003c" : std::string(1, c);
    return page.substr(0, from) + text + page.substr(end);
}

bool writeTunerPage(const std::vector<fs::path>& candidates, const fs::path& to, const json& data) {
    std::error_code ec;
    const auto tuner = std::find_if(candidates.begin(), candidates.end(),
                                    [&](const fs::path& p) { return fs::is_regular_file(p, ec); });
    if (tuner == candidates.end()) return false;
    std::string page;
    if (!readOpenFile(openForReading(*tuner), page)) throw std::runtime_error("cannot read " + tuner->u8string());
    writeBytes(to, pageWithData(page, data));
    return true;
}

std::FILE* openForReading(const fs::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path.u8string());
}

}  // namespace tools
