// Differential fuzz target: each input is a settings file's content. The lines
// ini-check says the plug-in prints at every start must be, byte for byte,
// what the plug-in's own load of the same content prints, and ini-check's own
// cross-check of the fourteen values against the plug-in's reads must hold.
// Any difference aborts with both sides.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ini_check.h"
#include "settings/catalogue.h"
#include "settings/key_bindings.h"

namespace {

// NUL and control bytes shown, so that the two sides' difference is seen.
std::string shown(const std::string& text) {
    std::string out;
    for (const unsigned char c : text) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        out += c == '\n' || (c >= 32 && c < 127 && c != '\\') ? std::string(1, static_cast<char>(c)) : std::string(hex);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    const tools::IniReport report = tools::analyseIniText("Veltrix.ini", &file);
    std::string claimed;
    for (const std::string& line : report.printed) claimed += line + "\n";

    keyBindings.clear();
    resetFloatSettings();
    std::string printed;
    loadSettingsFromText(file, printed);
    if (claimed != printed) {
        std::fprintf(stderr, "ini_check_fuzzer: ini-check says the plug-in prints\n%s\nbut it prints\n%s\n",
                     shown(claimed).c_str(), shown(printed).c_str());
        std::abort();
    }
    for (const tools::Finding& w : report.warnings)
        if (w.text.rfind("internal:", 0) == 0) {
            std::fprintf(stderr, "ini_check_fuzzer: %s\n", w.text.c_str());
            std::abort();
        }
    return 0;
}
