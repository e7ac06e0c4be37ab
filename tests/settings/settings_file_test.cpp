#include "settings/settings_file.h"

#include <vector>

#include "temp_dir.h"

using SettingsFile = TempDirTest;

TEST(TrimBlanks, OnlyTheFourBlanks) {
    EXPECT_EQ(trimBlanks(" \t\r\na b\n\r\t "), "a b");
    EXPECT_EQ(trimBlanks(" \r\n\t"), "");
    EXPECT_EQ(trimBlanks("\v x\f"), "\v x\f");
}

// What the plug-in makes of a trimmed line: ini-check shows modders exactly this.
TEST(SettingsLines, KindsOfLine) {
    const struct {
        const char* line;
        LineKind kind;
        const char* first;
        const char* second;
    } cases[] = {
        {"", LineKind::Empty, "", ""},
        {"; x=1", LineKind::Comment, "", ""},
        {"#x = 1", LineKind::Entry, "#x", "1"},  // only ";" starts a comment
        {"[ Lingering ]", LineKind::Section, " Lingering ", ""},
        {"[]", LineKind::Section, "", ""},
        {"[Lingering] ; numbers", LineKind::NoEquals, "", ""},
        {"[a]=b", LineKind::Entry, "[a]", "b"},
        {"a = b = c", LineKind::Entry, "a", "b = c"},
        {"no equals", LineKind::NoEquals, "", ""},
    };
    for (const auto& c : cases) {
        std::string_view first, second;
        EXPECT_EQ(classifyLine(c.line, first, second), c.kind) << c.line;
        EXPECT_EQ(first, c.first) << c.line;
        EXPECT_EQ(second, c.second) << c.line;
    }
}

TEST(SettingsLines, LinesEndAtLineFeedWithCrLfFolded) {
    const std::string text = "a\r\nb\rc\n\r\r\n\x1A\n\nlast\r";
    std::vector<std::string> lines;
    size_t pos = 0;
    std::string_view line;
    while (nextLine(text, pos, line)) lines.push_back(std::string(line));
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b\rc", "\r", "\x1A", "", "last\r"}));
    pos = 0;
    EXPECT_FALSE(nextLine("", pos, line)) << "an empty file has no lines";
}

TEST_F(SettingsFile, FileIsReadByteForByteOrNotAtAll) {
    std::string text = "left alone";
    EXPECT_FALSE(readSettingsFile("Veltrix.ini", text));
    std::filesystem::create_directory("Veltrix.ini");
    EXPECT_FALSE(readSettingsFile("Veltrix.ini", text));
    EXPECT_TRUE(readBool("Veltrix.ini", "Projectiles", "EnableKnifeCamera"));
    EXPECT_EQ(readFloat("Veltrix.ini", "Lingering", "LingerTime", 9.0f), 9.0f);
    std::filesystem::remove("Veltrix.ini");
    const std::string bytes = std::string("[A]\r\n\x1A\0\xFF", 8) + std::string(200000, 'x');
    writeIni(bytes);
    ASSERT_TRUE(readSettingsFile("Veltrix.ini", text));
    EXPECT_EQ(text, bytes);
}

// Reading LingerTime (fallback 9) covers line kinds, sections and conversions.
TEST_F(SettingsFile, ReadFloat) {
    const struct { const char* file; const char* section; float expected; } cases[] = {
        {"", "Lingering", 9},
        {"[Lingering]\n LingerTime = 3.0 \n", "Lingering", 3},
        {"[Lingering]\nlingertime=3\n", "Lingering", 9},
        {"[lingering]\nLingerTime=3\n", "Lingering", 9},
        {"[ Lingering ]\nLingerTime=3\n", "Lingering", 9},
        {"[ Lingering ]\nLingerTime=3\n", " Lingering ", 3},
        {"[Lingering]\n[ Lingering ]\nLingerTime=3\n", "Lingering", 9},
        {"[Lingering]\n[Other] ; c\nLingerTime=3\n", "Lingering", 3},
        {"[Other]\n[Lingering] ; floats\nLingerTime=3\n", "Lingering", 9},
        {"LingerTime=3\n[Lingering]\n", "Lingering", 9},
        {"LingerTime=3\n[Lingering]\n", "", 3},
        {"[]\nLingerTime=3\n", "", 3},
        {"[Lingering]\n;LingerTime=3\n#LingerTime=4\nLingerTime 5\nLingerTime\v=6\n", "Lingering", 9},
        {"[Lingering]\nLingerTime=abc\nLingerTime=3\n", "Lingering", 9},
        {"[Lingering]\nLingerTime=\nLingerTime=3\n", "Lingering", 9},
        {"[Lingering]\nLingerTime=4s\n", "Lingering", 4},
        {"[Lingering]\nLingerTime=2,5\n", "Lingering", 2},
        {"[Lingering]\nLingerTime=-1\n", "Lingering", -1},
        {"[Lingering]\nLingerTime=1e40\n", "Lingering", 9},
        {"[Lingering]\nLingerTime=1e-40\n", "Lingering", 9},  // subnormal: a range error
        {"[Lingering]\nLingerTime=2.5=3\n", "Lingering", 2.5},
        {"[Lingering]\nLingerTime=0x1p3\n", "Lingering", 8},
        {"[Lingering]\nX=1\n[Other]\nLingerTime=1\n[Lingering]\nLingerTime=3", "Lingering", 3},
        {"[Lingering]\r\nLingerTime=3\r\n", "Lingering", 3},
        {"[Lingering]\rLingerTime=3\r", "Lingering", 9},
        {"[Lingering]\n\x1A\nLingerTime=3\n", "Lingering", 3},
        {"\xEF\xBB\xBF[Lingering]\nLingerTime=3\n", "Lingering", 9},
        {"\xEF\xBB\xBF[Lingering]\nLingerTime=3\n", "", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.file << "\" in [" << c.section << ']');
        writeIni(c.file);
        EXPECT_EQ(readFloat("Veltrix.ini", c.section, "LingerTime", 9.0f), c.expected);
    }
}

// Each value is followed by EnableKnifeCamera=0: false shows it was passed over.
TEST_F(SettingsFile, ReadBoolFirstRecognisedValueWins) {
    const struct { const char* value; bool expected; } cases[] = {
        {"1", true}, {"true", true}, {"True", true}, {" 1 ", true},
        {"0", false}, {"false", false}, {"False", false},
        {"TRUE", false}, {"yes", false}, {"on", false}, {"00", false}, {"", false}, {"0 ; off", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        writeIni(std::string("[Projectiles]\nEnableKnifeCamera=") + c.value + "\nEnableKnifeCamera=0\n");
        EXPECT_EQ(readBool("Veltrix.ini", "Projectiles", "EnableKnifeCamera"), c.expected);
    }
    for (const char* file : {"[Projectiles]\nEnableKnifeCamera=FALSE\n", "[Lingering]\nEnableKnifeCamera=0\n",
                             "EnableKnifeCamera=0\n[Projectiles]\n"}) {
        SCOPED_TRACE(file);
        writeIni(file);
        EXPECT_TRUE(readBool("Veltrix.ini", "Projectiles", "EnableKnifeCamera"));
    }
}
