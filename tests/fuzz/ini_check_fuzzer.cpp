// Differential fuzz target: each input is a settings file's content. ini-check
// walks the lines itself (sections, entries, bindings) and takes the values
// from the plug-in's load; the two must tell one story:
//   - the lines whose notes say they print the key-binding message quote, in
//     file order, exactly what the plug-in's load prints;
//   - each switch and number is "set" by exactly one line's note, the line
//     the plug-in's read decides by, to the value the plug-in holds.
// Any difference aborts with both sides.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/catalogue.h"
#include "settings_report.h"

namespace {

[[noreturn]] void differ(const std::string& what) {
    std::fprintf(stderr, "ini_check_fuzzer: %s\n", what.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    const tools::IniReport report = tools::analyseIniText("Veltrix.ini", &file);

    std::string quoted, printed;
    for (const tools::LineFate& line : report.lines)
        for (const std::string& note : line.notes)
            for (const std::string said : {"key binding: prints \"", "also read as a key binding: prints \""})
                if (note.rfind(said, 0) == 0) quoted += note.substr(said.size(), note.rfind('"') - said.size()) + "\n";
    for (const std::string& line : report.printed) printed += tools::shownText(line) + "\n";
    if (quoted != printed) differ("the notes quote\n" + quoted + "but the plug-in prints\n" + printed);

    for (const tools::EffectiveSetting& e : report.settings) {
        if (e.setting->kind == SettingKind::Key) continue;
        const std::string sets = std::string("sets ") + e.setting->key + " = ";
        int setting = 0;
        for (const tools::LineFate& line : report.lines)
            for (const std::string& note : line.notes)
                if (note.rfind(sets, 0) == 0) {
                    if (setting || line.number != e.line) differ(note + " on line " + std::to_string(line.number));
                    if (!e.isDefault && note != sets + e.value) differ(note + ", but the plug-in holds " + e.value);
                    setting = line.number;
                }
        if (!e.isDefault && setting != e.line) differ(sets + e.value + " said on no line, but line " +
                                                      std::to_string(e.line) + " decides it");
    }
    return 0;
}
