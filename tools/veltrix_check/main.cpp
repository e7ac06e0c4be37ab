// veltrix-check: checks a Veltrix.ini the way the plug-in reads it, and
// writes Veltrix-check.html beside it: the fate of every line, the settings
// in force, the warnings, what the numbers mean in the game, and every
// bundled scenario played with these settings.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "check_page.h"
#include "platform.h"

namespace fs = std::filesystem;

namespace {

const char kUsage[] =
    "usage: veltrix-check [FILE] [--no-open]\n"
    "  Checks FILE (default: Veltrix.ini beside veltrix-check) as the plug-in reads it, prints what\n"
    "  it makes of every line, and writes Veltrix-check.html beside the file, with a preview of\n"
    "  every camera under these settings, which it opens in the browser unless --no-open.\n"
    "  Exit status 0: clean; 1: warnings; 2: the file cannot be read.\n";

// The file's bytes; false when it cannot be read (missing, a folder, no access).
// Opened by its wide name on Windows, which the plug-in's narrow reader cannot spell.
bool readFile(const fs::path& path, std::string& text) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    text = bytes.str();
    return !in.bad();
}

int checkFile(const std::string& given, bool open) {
    const fs::path path = fs::u8path(given);
    std::string text;
    const bool readable = readFile(path, text);

    // A folder of the check's own under the system's temporary folder, for
    // the previews' working directories.
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path scratch = fs::temp_directory_path() / ("veltrix-check-" + std::to_string(stamp));
    fs::create_directories(scratch);
    const tools::CheckOutcome outcome = tools::checkSettings(given, readable ? &text : nullptr, scratch);
    std::error_code ignored;
    fs::remove_all(scratch, ignored);

    tools::printIniReport(outcome.report, std::cout);
    if (!readable) {
        std::cout << "(veltrix-check looks for Veltrix.ini beside itself: put it in the game folder, or drop "
                     "the settings file on it.)\n";
        return 2;
    }
    const fs::path page = fs::absolute(path).parent_path() / "Veltrix-check.html";
    std::ofstream out(page, std::ios::binary);
    out << tools::renderCheckPage(outcome);
    out.close();
    if (!out) {
        std::cout << "\nCannot write " << page.u8string() << "\n";
    } else {
        std::cout << "\nPage: " << page.u8string() << "\n";
        if (open && !check::openInBrowser(page.u8string())) std::cout << "(open it in a browser)\n";
    }
    return tools::iniCheckStatus(outcome.report);
}

}  // namespace

int main(int argc, char** argv) {
    check::prepareConsole();
    std::string file;
    bool open = true, wrong = false;
    for (const std::string& arg : check::arguments(argc, argv)) {
        if (arg == "--no-open") {
            open = false;
        } else if (arg == "--help" || arg == "-h" || arg == "/?") {
            std::cout << kUsage;
            return 0;
        } else if (!file.empty() || (arg.size() > 1 && arg[0] == '-')) {
            wrong = true;
        } else {
            file = arg;
        }
    }
    if (wrong) {
        std::cerr << kUsage;
        return 2;
    }
    if (file.empty()) file = (fs::u8path(check::programDirectory()) / "Veltrix.ini").u8string();
    int status = 2;
    try {
        status = checkFile(file, open);
    } catch (const std::exception& e) {
        std::cout << "veltrix-check: " << e.what() << "\n";
    }
    if (check::ownsConsoleAlone()) check::waitForEnter();
    return status;
}
