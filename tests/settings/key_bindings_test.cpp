#include "settings/key_bindings.h"

#include "temp_dir.h"

using KeyBindings = TempDirTest;

namespace {

// The code bound to ToggleKey (0 when none) and what the load printed.
int32_t loadToggle(std::string& printed) {
    testing::internal::CaptureStdout();
    loadKeyBindings();
    printed = testing::internal::GetCapturedStdout();
    const auto found = keyBindings.find("ToggleKey");
    return found == keyBindings.end() ? 0 : found->second;
}

}  // namespace

// Each file is the one line "ToggleKey=" + value; with no code the message
// shows the value as printed.
TEST_F(KeyBindings, Notations) {
    const struct { const char* value; int32_t code; const char* shown; } cases[] = {
        {"N", 78, ""}, {"n", 78, ""}, {"a", 65, ""}, {"Z", 90, ""}, {" N \r", 78, ""}, {"F5", 116, ""}, {"f5", 116, ""}, {"F13", 124, ""},
        {"F1X", 112, ""}, {"F0", 111, ""}, {"F99", 210, ""}, {"0x4e", 78, ""}, {"0X4E junk", 78, ""},
        {"78", 78, ""}, {"2.5", 2, ""}, {"1", 1, ""}, {"Space", 32, ""}, {"esc", 27, ""}, {"Escape", 27, ""},
        {"Return", 13, ""}, {"enter", 13, ""}, {"tab", 9, ""},
        {"0", 0, "0"}, {"Shift", 0, "SHIFT"}, {"", 0, ""}, {" -5", 0, "-5"}, {"k\xE9y{", 0, "K\xE9Y{"},
        {"F123", 0, "F123"},
        // No number where one is due, or one beyond 32 bits.
        {"f", 0, "F"}, {"FX", 0, "FX"}, {"Foo", 0, "FOO"}, {"0xg", 0, "0XG"}, {"0x", 0, "0X"},
        {"0xFFFFFFFF", 0, "0XFFFFFFFF"}, {"99999999999", 0, "99999999999"},
        // The edges of the signed 32-bit range, in ten digits.
        {"2147483647", 2147483647, ""}, {"2147483648", 0, "2147483648"}, {"4294967373", 0, "4294967373"},
        {"0x7FFFFFFF", 2147483647, ""}, {"0x80000000", 0, "0X80000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        keyBindings.clear();
        writeIni(std::string("ToggleKey=") + c.value);
        std::string printed;
        EXPECT_EQ(loadToggle(printed), c.code);
        EXPECT_EQ(printed, c.code ? "" : std::string("Unknown key binding: ToggleKey=") + c.shown + "\n");
        // The scenarios and the tuner ask keyCodeFor alone: it must refuse what names no key, code 0 too.
        Binding b;
        int32_t code = -1;
        ASSERT_TRUE(bindingOf(std::string("ToggleKey=") + c.value, b));
        EXPECT_EQ(keyCodeFor(b.value, code), c.code != 0);
    }
}

TEST_F(KeyBindings, LinesAnywhereLastCodeWins) {
    const struct { const char* file; int32_t code; const char* printed; } cases[] = {
        {"ToggleKey=M\nToggleKey=K", 75, ""},
        {"ToggleKey=M\nToggleKey=Shift", 77, "Unknown key binding: ToggleKey=SHIFT\n"},
        {"ToggleKey=M\nToggleKey=FOO", 77, "Unknown key binding: ToggleKey=FOO\n"},
        {"[Projectiles]\nToggleKey=M\n[Lingering]\n", 77, ""}, {"[Lingering]\nToggleKey=M", 77, ""},
        {"[Other] ; x\n ToggleKey=M", 77, ""}, {"togglekey=M\n;ToggleKey=M\nToggleKey\n", 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        keyBindings.clear();
        writeIni(c.file);
        std::string printed;
        EXPECT_EQ(loadToggle(printed), c.code);
        EXPECT_EQ(printed, c.printed);
    }
}

TEST_F(KeyBindings, EveryNameIsStoredUnderItsOwnSpelling) {
    writeIni("[Keys]\ntogglekey=M\n;ToggleKey=K\nLingerTime=2.5\nslowMotionFactor=0.05\n");
    std::string printed;
    EXPECT_EQ(loadToggle(printed), 0);
    EXPECT_EQ(keyBindings, (std::unordered_map<std::string, int32_t>{{"togglekey", 77}, {";ToggleKey", 75},
                                                                     {"LingerTime", 2}}));
    EXPECT_EQ(printed, "Unknown key binding: slowMotionFactor=0.05\n");
}

TEST_F(KeyBindings, NoFileOrDirectoryLeavesTableAlone) {
    keyBindings["ToggleKey"] = 66;
    std::string printed;
    EXPECT_EQ(loadToggle(printed), 66);
    EXPECT_EQ(printed, "");
    std::filesystem::create_directory("Veltrix.ini");
    EXPECT_EQ(loadToggle(printed), 66);
    EXPECT_EQ(printed, "");
}
