// veltrix-check: checks a Veltrix.ini the way the plug-in reads it, prints
// the fate of every line, the settings in force and the warnings, and writes
// Veltrix-check.html beside it: the tuner page with this file loaded, where
// the modder tries a fix, sees every camera play with it, and saves it.
#include <filesystem>
#include <iostream>

#include "exact_json.h"
#include "platform.h"
#include "settings/settings_file.h"
#include "settings_report.h"

namespace fs = std::filesystem;

namespace {

const char kUsage[] =
    "usage: veltrix-check [FILE] [--no-open]\n"
    "  Checks FILE (default: Veltrix.ini beside veltrix-check) as the plug-in reads it, prints what\n"
    "  it makes of every line, and writes Veltrix-check.html beside the file: the tuner page\n"
    "  (Veltrix-tuner.html beside veltrix-check) with the file loaded, to try a fix and save it,\n"
    "  which it opens in the browser unless --no-open.\n"
    "  Exit status 0: clean; 1: warnings; 2: the file cannot be read.\n";

// Writes the tuner page with the checked file in it; says what became of it.
void writePage(const fs::path& path, const std::string& given, const std::string& text, bool open) {
    const nlohmann::json data = {
        {"veltrix", "check"}, {"name", path.filename().u8string()}, {"path", given}, {"file", sim::latin1(text)}};
    const fs::path out = fs::absolute(path).parent_path() / "Veltrix-check.html";
    try {
        if (!tools::writeTunerPage(tools::tunerPageCandidates("", fs::u8path(check::programDirectory())), out, data)) {
            std::cout << "\nNo page: Veltrix-tuner.html is not beside veltrix-check (it comes in the same zip).\n";
            return;
        }
    } catch (const std::exception& e) {
        // The check stands without its page: its status is the file's.
        std::cout << "\nNo page: " << e.what() << "\n";
        return;
    }
    std::cout << "\nPage: " << out.u8string() << "\n";
    if (open && !check::openInBrowser(out.u8string())) std::cout << "(open it in a browser)\n";
}

int checkFile(const std::string& given, bool open) {
    const fs::path path = fs::u8path(given);
    std::string text;
    const bool readable = readOpenFile(tools::openForReading(path), text);
    const tools::IniReport report = tools::analyseIniText(given, readable ? &text : nullptr);
    tools::printIniReport(report, std::cout);
    if (!readable) {
        std::cout << "(veltrix-check looks for Veltrix.ini beside itself: put it in the game folder, or drop "
                     "the settings file on it.)\n";
        return 2;
    }
    writePage(path, given, text, open);
    return tools::iniCheckStatus(report);
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
    check::holdOwnConsole();
    return status;
}
