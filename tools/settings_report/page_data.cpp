#include "page_data.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tools {

namespace fs = std::filesystem;

// The page's slot, as web/src/index.html has it. Its content is JSON, never
// run, so a file's text put there cannot become markup or script.
const char kSlotStart[] = "<script id=\"veltrix-data\" type=\"application/json\">";
const char kSlotEnd[] = "</script>";

std::optional<fs::path> findPage(const std::vector<fs::path>& candidates) {
    for (const fs::path& p : candidates) {
        std::error_code ec;
        if (fs::is_regular_file(p, ec)) return p;
    }
    return std::nullopt;
}

std::vector<fs::path> tunerPageCandidates(const std::string& given, const fs::path& programDirectory) {
    if (!given.empty()) return {fs::u8path(given)};
    std::vector<fs::path> list;
    if (!programDirectory.empty()) list.push_back(programDirectory / "Veltrix-tuner.html");
#ifdef VELTRIX_BUILT_TUNER_PAGE
    list.push_back(fs::u8path(VELTRIX_BUILT_TUNER_PAGE));
#endif
    return list;
}

std::string pageWithData(const std::string& page, const nlohmann::json& data) {
    const size_t start = page.find(kSlotStart);
    const size_t from = start == std::string::npos ? start : start + sizeof kSlotStart - 1;
    const size_t end = start == std::string::npos ? start : page.find(kSlotEnd, from);
    if (end == std::string::npos) throw std::runtime_error("not a tuner page: it has no data slot");
    // "<" only ever stands inside a JSON string, where \u003c is the same
    // character; so no "</script" can end the slot early.
    std::string text;
    for (char c : data.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)) {
        if (c == '<')
            text += "\\u003c";
        else
            text += c;
    }
    return page.substr(0, from) + text + page.substr(end);
}

void writePageWithData(const fs::path& tuner, const fs::path& to, const nlohmann::json& data) {
    std::string page;
    if (!readBytes(tuner, page)) throw std::runtime_error("cannot read " + tuner.u8string());
    const std::string filled = pageWithData(page, data);
    std::ofstream out(to, std::ios::binary);
    out << filled;
    out.close();
    if (!out) throw std::runtime_error("cannot write " + to.u8string());
}

bool readBytes(const fs::path& path, std::string& bytes) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    bytes = buffer.str();
    return !in.bad();
}

}  // namespace tools
