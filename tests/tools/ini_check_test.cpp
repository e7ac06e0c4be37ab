// ini-check: every kind of mistake is named, and what it predicts is what the
// plug-in's own start-up load does with the same file.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "settings/catalogue.h"
#include "settings/key_bindings.h"
#include "settings_corpus.h"
#include "settings_report.h"
#include "sim_fixture.h"

namespace {

std::string join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

const tools::EffectiveSetting& setting(const tools::IniReport& r, const std::string& key) {
    for (const tools::EffectiveSetting& s : r.settings)
        if (s.setting->key == key) return s;
    throw std::runtime_error("no setting " + key);
}

std::string warningsOn(const tools::IniReport& r, int line) {
    std::string text;
    for (const tools::Finding& w : r.warnings)
        if (w.line == line) text += w.text + "\n";
    return text;
}

// Runs the plug-in's start-up load on `ini` (as "Veltrix.ini" in a scratch
// folder) and compares every effective value and every printed line with
// what ini-check says about the same file.
void expectSameAsPlugin(const std::string& ini) {
    ScratchDirectory dir;
    dir.write("Veltrix.ini", ini);
    const tools::IniReport report = tools::analyseIni("Veltrix.ini");
    ASSERT_TRUE(report.readable);

    keyBindings.clear();
    resetFloatSettings();
    testing::internal::CaptureStdout();
    const StartupSettings loaded = loadSettings();
    const std::string printed = testing::internal::GetCapturedStdout();

    EXPECT_EQ(printed, join(report.printed)) << ini;
    EXPECT_EQ(setting(report, "ToggleKey").value.substr(0, setting(report, "ToggleKey").value.find(' ')),
              std::to_string(loaded.toggleKey))
        << ini;
    const std::pair<const char*, bool> switches[] = {
        {"EnableKnifeCamera", loaded.switches.EnableKnifeCamera},
        {"EnableArrowCamera", loaded.switches.EnableArrowCamera},
        {"EnableTomahawkCamera", loaded.switches.EnableTomahawkCamera},
        {"EnableDynamiteCamera", loaded.switches.EnableDynamiteCamera},
        {"EnableFireBottleCamera", loaded.switches.EnableFireBottleCamera},
        {"EnableBulletLineCamera", loaded.switches.EnableBulletLineCamera},
    };
    for (const auto& [key, value] : switches) EXPECT_EQ(setting(report, key).value, value ? "true" : "false") << key;
    const std::pair<const char*, float> numbers[] = {
        {"BulletCamSpeed", BulletCamSpeed},     {"LingerTime", LingerTime},
        {"CameraOffsetBack", CameraOffsetBack}, {"slowMotionFactor", slowMotionFactor},
        {"BulletLingerSpeed", BulletLingerSpeed}, {"BowLingerSpeed", BowLingerSpeed},
        {"BowCamSpeed", BowCamSpeed},
    };
    for (const auto& [key, value] : numbers) {
        const std::string shown = setting(report, key).value;
        if (std::isnan(value))
            EXPECT_EQ(shown, "nan") << key;
        else
            EXPECT_EQ(std::stof(shown), value) << key << " shown as " << shown;
    }
    for (const tools::Finding& w : report.warnings) EXPECT_EQ(w.text.find("internal"), std::string::npos) << w.text;
    resetFloatSettings();
    keyBindings.clear();
}

// Notepad's "Unicode": the byte-order mark, then each byte of `text` as one
// UTF-16 code unit, little- or big-endian.
std::string utf16(const std::string& text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : text) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

std::string hexEscaped(const std::string& text) {
    std::string out;
    for (const unsigned char c : text) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        out += c >= 32 && c < 127 && c != '\\' ? std::string(1, static_cast<char>(c)) : std::string(hex);
    }
    return out;
}

// The plug-in's in-memory load of `file`: what it prints, and its fourteen
// settings written out exactly (floats in hexadecimal).
std::pair<std::string, std::string> pluginLoad(const std::string& file) {
    keyBindings.clear();
    resetFloatSettings();
    std::string printed;
    const StartupSettings s = loadSettingsFromText(file, printed);
    const CameraSwitches& on = s.switches;
    char values[512];
    std::snprintf(values, sizeof values, "%d %d%d%d%d%d%d %a %a %a %a %a %a %a", s.toggleKey, on.EnableKnifeCamera,
                  on.EnableArrowCamera, on.EnableTomahawkCamera, on.EnableDynamiteCamera, on.EnableFireBottleCamera,
                  on.EnableBulletLineCamera, static_cast<double>(BulletCamSpeed), static_cast<double>(LingerTime),
                  static_cast<double>(CameraOffsetBack), static_cast<double>(slowMotionFactor),
                  static_cast<double>(BulletLingerSpeed), static_cast<double>(BowLingerSpeed),
                  static_cast<double>(BowCamSpeed));
    keyBindings.clear();
    resetFloatSettings();
    return {printed, values};
}

// A UTF-16 file is named as one, without the lone carriage returns its
// encoding brings, and the plug-in indeed takes none of its settings.
void expectReadAsUtf16(const std::string& file) {
    const tools::IniReport r = tools::analyseIniText("Veltrix.ini", &file);
    EXPECT_NE(warningsOn(r, 1).find("saved as UTF-16 (Notepad's \"Unicode\"): the plug-in reads it byte by byte and "
                                    "finds none of its settings in it (save it as UTF-8 or ANSI)"),
              std::string::npos)
        << warningsOn(r, 1);
    for (const tools::Finding& w : r.warnings)
        EXPECT_EQ(w.text.find("carriage return"), std::string::npos) << "line " << w.line << ": " << w.text;
    for (const tools::EffectiveSetting& s : r.settings) EXPECT_TRUE(s.isDefault) << s.setting->key << " = " << s.value;
    EXPECT_EQ(pluginLoad(file).second, pluginLoad("").second) << hexEscaped(file).substr(0, 2000);
}

const std::vector<std::string> kEveryMistake = {
    "; every kind of mistake",     // 1
    "ToggleKey=Shift",             // 2
    "togglekey=M",                 // 3
    "[Projectiles]",               // 4
    "EnableKnifeCamera=FALSE",     // 5
    "EnableArrowCamera=0",         // 6
    "EnableArrowCamera=1",         // 7
    "enabledynamitecamera=0",      // 8
    "LingerTime=5",                // 9
    "[Lingering] ; numbers",       // 10
    "[lingering]",                 // 11
    "BowCamSpeed=1",               // 12
    "[ Lingering ]",               // 13
    "[Lingering]",                 // 14
    "EnableTomahawkCamera=0",      // 15
    "BulletCamSpeed=-1",           // 16
    "LingerTime=0s",               // 17
    "slowMotionFactor=0",          // 18
    "BulletLingerSpeed=abc",       // 19
    "BowLingerSpeed=1e39",         // 20
    "CameraOffsetBack=inf",        // 21
    "BowCamSpeed=0",               // 22
    "BowCamSpeed=2",               // 23
    "Linger Time=3",               // 24
    "ToggleKey=0x07",              // 25
};

}  // namespace

TEST(IniCheck, NamesEveryKindOfMistakeOnItsLine) {
    ScratchDirectory dir;
    dir.write("bad.ini", join(kEveryMistake));
    const tools::IniReport r = tools::analyseIni("bad.ini");
    ASSERT_TRUE(r.readable);
    const std::pair<int, const char*> expected[] = {
        {2, "names no key"},
        {3, "\"togglekey\" is not ToggleKey"},
        {5, "FALSE is not one of 1, true, True, 0, false, False"},
        {7, "only line 6 counts"},
        {8, "\"enabledynamitecamera\" is not EnableDynamiteCamera"},
        {9, "LingerTime is written under [Projectiles]"},
        {10, "is not a section header"},
        {11, "[lingering] is not [Lingering]"},
        {13, "[ Lingering ] is not [Lingering]"},
        {15, "EnableTomahawkCamera is written under [Lingering]"},
        {16, "BulletCamSpeed -1: the bullet camera does not fly along the shot: it jumps to its end at once"},
        {17, "LingerTime 0: the knife, tomahawk and fire bottle (0xE5C6289E) cameras end as soon as nothing flies"},
        {17, "\"s\" is ignored"},
        {18, "slowMotionFactor 0: in the frame of a shot the game's time scale is set to 0"},
        {19, "\"abc\" is not a number"},
        {20, "\"1e39\" is out of range"},
        {21, "CameraOffsetBack inf: the bullet and arrow cameras are placed at no real position"},
        {22, "BowCamSpeed 0: the game's time scale is set to 0 while the arrow camera flies, which the game runs at its slowest"},
        {23, "only line 22 counts"},
        {24, "\"Linger Time\" is not LingerTime"},
        {25, "gives code 7, which is not a key"},
    };
    for (const auto& [line, phrase] : expected)
        EXPECT_NE(warningsOn(r, line).find(phrase), std::string::npos)
            << "line " << line << " should warn \"" << phrase << "\"; it says:\n"
            << warningsOn(r, line);
    // Nothing else is flagged: the clean lines stay quiet.
    for (int quiet : {1, 4, 6, 12, 14}) EXPECT_EQ(warningsOn(r, quiet), "") << "line " << quiet;
    EXPECT_EQ(tools::iniCheckStatus(r), 1);
}

TEST(IniCheck, TellsTheFateOfEveryLine) {
    ScratchDirectory dir;
    dir.write("bad.ini", join(kEveryMistake));
    const tools::IniReport r = tools::analyseIni("bad.ini");
    ASSERT_EQ(r.lines.size(), kEveryMistake.size());
    auto fate = [&](int line) {
        std::string text;
        for (const std::string& note : r.lines[static_cast<size_t>(line - 1)].notes) text += note + "\n";
        return text;
    };
    EXPECT_NE(fate(1).find("ignored: comment"), std::string::npos);
    EXPECT_NE(fate(2).find("prints \"Unknown key binding: ToggleKey=SHIFT\""), std::string::npos);
    EXPECT_NE(fate(6).find("sets EnableArrowCamera = false"), std::string::npos);
    EXPECT_NE(fate(7).find("an earlier line (6) already decided"), std::string::npos);
    EXPECT_NE(fate(11).find("section [lingering] is not read"), std::string::npos);
    EXPECT_NE(fate(12).find("passed over: section [lingering] is not read"), std::string::npos);
    EXPECT_NE(fate(16).find("sets BulletCamSpeed = -1"), std::string::npos);
    EXPECT_NE(fate(19).find("unusable"), std::string::npos);
    // A line read both as an entry and as a key binding gets both fates.
    EXPECT_NE(fate(16).find("also read as a key binding: prints \"Unknown key binding: BulletCamSpeed=-1\""),
              std::string::npos)
        << fate(16);
    EXPECT_NE(fate(12).find("also read as a key binding: code 1 stored under \"BowCamSpeed\""), std::string::npos);
    EXPECT_NE(fate(25).find("ToggleKey = 7"), std::string::npos);

    EXPECT_EQ(setting(r, "ToggleKey").line, 25);
    EXPECT_TRUE(setting(r, "EnableKnifeCamera").isDefault);
    EXPECT_EQ(setting(r, "EnableArrowCamera").value, "false");
    EXPECT_EQ(setting(r, "BulletLingerSpeed").value, "0.05");
    EXPECT_TRUE(setting(r, "BulletLingerSpeed").isDefault);
    EXPECT_EQ(setting(r, "BulletLingerSpeed").line, 19);
}

TEST(IniCheck, AgreesWithThePluginsOwnLoad) {
    expectSameAsPlugin(join(kEveryMistake));
    expectSameAsPlugin("");
    expectSameAsPlugin("[Lingering]\r\nLingerTime=3.25\r\n[Projectiles]\r\nEnableKnifeCamera=0\r\nToggleKey=f5\r\n");
    expectSameAsPlugin("\xEF\xBB\xBF[Projectiles]\nEnableDynamiteCamera=0\n[Lingering]\nBowCamSpeed=nan\n");
    expectSameAsPlugin("[Lingering]\rLingerTime=1\r");
    expectSameAsPlugin(";ToggleKey=M\nToggleKey=M\nToggleKey=K\nToggleKey=\n[Lingering]\nLingerTime=2.5=3\n"
                       "slowMotionFactor=1e-50\nBowLingerSpeed=0x1p-3\n");
    std::ifstream shipped(VELTRIX_SOURCE_DIR "/dist/Veltrix.ini", std::ios::binary);
    std::stringstream text;
    text << shipped.rdbuf();
    expectSameAsPlugin(text.str());
}

// Byte for byte, over the settings tests' seeded corpus and each file of it
// saved as UTF-16: against the in-memory load for every file, and against the
// load of the file itself, its printing captured, for every twentieth.
TEST(IniCheck, PrintedLinesAreThePluginsOwnForEveryCorpusFile) {
    std::mt19937 rng(20261209);
    int differences = 0;
    for (int n = 0; n < 4000 && differences < 5; ++n) {
        const std::string file = corpus::settingsFile(rng);
        const std::string unicode = utf16(file, n % 2 == 1);
        for (const std::string* form : {&file, &unicode}) {
            const std::string claimed = join(tools::analyseIniText("Veltrix.ini", form).printed);
            const std::string printed = pluginLoad(*form).first;
            if (claimed != printed) {
                ADD_FAILURE() << "file " << n << ": \"" << hexEscaped(*form).substr(0, 2000) << "\"\nini-check: \""
                              << hexEscaped(claimed).substr(0, 2000) << "\"\nplug-in:   \""
                              << hexEscaped(printed).substr(0, 2000) << "\"";
                ++differences;
            }
        }
        expectReadAsUtf16(unicode);
        if (n % 20 == 0) expectSameAsPlugin(n % 40 == 0 ? file : unicode);
    }
}

// The example of a file saved by Notepad as "Unicode", and the shipped file
// and a file of mistakes saved so, both ways round.
TEST(IniCheck, Utf16FilesAreNamedAndPrintOnlyEmptyBindings) {
    std::ifstream in(VELTRIX_SOURCE_DIR "/tests/tools/check_files/unicode.ini", std::ios::binary);
    std::stringstream example;
    example << in.rdbuf();
    ASSERT_EQ(example.str().substr(0, 4), std::string("\xFF\xFE[\0", 4)) << "not a UTF-16 LE file";
    const std::string file = example.str();
    expectReadAsUtf16(file);
    expectSameAsPlugin(file);
    EXPECT_EQ(tools::analyseIniText("Veltrix.ini", &file).printed,
              std::vector<std::string>(2, "Unknown key binding: ="));

    std::ifstream shipped(VELTRIX_SOURCE_DIR "/dist/Veltrix.ini", std::ios::binary);
    std::stringstream text;
    text << shipped.rdbuf();
    for (const bool bigEndian : {false, true}) {
        expectReadAsUtf16(utf16(text.str(), bigEndian));
        expectReadAsUtf16(utf16(join(kEveryMistake), bigEndian));
    }
}

TEST(IniCheck, ShippedFileIsCleanAndAtItsDefaults) {
    const tools::IniReport r = tools::analyseIni(VELTRIX_SOURCE_DIR "/dist/Veltrix.ini");
    EXPECT_EQ(tools::iniCheckStatus(r), 0);
    EXPECT_TRUE(r.printed.empty());
    ASSERT_EQ(r.settings.size(), 14u);
    for (const tools::EffectiveSetting& s : r.settings) EXPECT_TRUE(s.sameAsDefault) << s.setting->key << " = " << s.value;
}

TEST(IniCheck, MissingOrUnreadableFileIsStatusTwo) {
    ScratchDirectory dir;
    EXPECT_EQ(tools::iniCheckStatus(tools::analyseIni("no-such.ini")), 2);
    EXPECT_EQ(tools::iniCheckStatus(tools::analyseIni(dir.path())), 2);  // a directory
    dir.write("empty.ini", "");
    const tools::IniReport empty = tools::analyseIni("empty.ini");
    EXPECT_EQ(tools::iniCheckStatus(empty), 0);
    for (const tools::EffectiveSetting& s : empty.settings) EXPECT_TRUE(s.isDefault) << s.setting->key;
}

TEST(IniCheck, FileWideTrapsAreNamed) {
    ScratchDirectory dir;
    dir.write("bom.ini", "\xEF\xBB\xBF[Projectiles]\nEnableKnifeCamera=0\n");
    EXPECT_NE(warningsOn(tools::analyseIni("bom.ini"), 1).find("byte-order mark"), std::string::npos);
    dir.write("cr.ini", "[Lingering]\rLingerTime=1\r");
    EXPECT_NE(warningsOn(tools::analyseIni("cr.ini"), 1).find("carriage return alone"), std::string::npos);
    dir.write("crlf.ini", "[Lingering]\r\nLingerTime=1\r\n");
    EXPECT_EQ(tools::iniCheckStatus(tools::analyseIni("crlf.ini")), 0);
}

// A long file (a log dropped by mistake, say) is checked in one pass over it:
// the tuner page checks every file a modder loads, whatever its size.
TEST(IniCheck, ManyBindingsOfTheToggleKeyTakeOnePass) {
    std::string file;
    for (int i = 0; i < 200000; ++i) file += "ToggleKey=N\n";
    const auto start = std::chrono::steady_clock::now();
    const tools::IniReport r = tools::analyseIniText("Veltrix.ini", &file);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 5.0) << "a check of 200,000 lines should take a fraction of a second";
    ASSERT_EQ(r.lines.size(), 200000u);
    EXPECT_EQ(r.lines[0].notes.back(), "replaced by the ToggleKey binding on line 200000");
    EXPECT_EQ(setting(r, "ToggleKey").line, 200000);
}

TEST(IniCheck, ToggleKeysThatCannotWorkAreFlagged) {
    ScratchDirectory dir;
    const std::pair<const char*, const char*> cases[] = {
        {"ToggleKey=1", "left mouse button: every click would switch the plug-in (a lone digit is read as a code; "
                        "the key marked 1 is 49)"},
        {"ToggleKey=8", "(BACKSPACE) (a lone digit is read as a code; the key marked 8 is 56)"},
        {"ToggleKey=300", "which no key has"},
        {"ToggleKey=0xFF", "which no key has"},
        {"ToggleKey=0x100", "which no key has"},
        {"ToggleKey=F0", "there is no key F0"},
        {"ToggleKey=F30", "gives code 141, which is not a key"},
        {"ToggleKey=F33", "(NUM LOCK): there is no key F33"},
    };
    for (const auto& [line, phrase] : cases) {
        dir.write("t.ini", std::string(line) + "\n");
        const tools::IniReport r = tools::analyseIni("t.ini");
        EXPECT_NE(warningsOn(r, 1).find(phrase), std::string::npos) << line << ": " << warningsOn(r, 1);
    }
    for (const char* fine : {"ToggleKey=N", "ToggleKey=F24", "ToggleKey=0x4e", "ToggleKey=Space", "ToggleKey=120"}) {
        dir.write("t.ini", std::string(fine) + "\n");
        EXPECT_EQ(tools::iniCheckStatus(tools::analyseIni("t.ini")), 0) << fine;
    }
}
