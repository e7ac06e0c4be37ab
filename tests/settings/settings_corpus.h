// Settings files for the differential tests: seeded, so that a failure
// replays. Lines are drawn from what hand-edited files hold and from what
// breaks readers: every kind of header and value, blanks around "=", CR LF,
// lone CR and CR CR LF line ends, NUL bytes, byte-order marks, very long
// lines, then a few random byte changes.
#pragma once

#include <random>
#include <string>

namespace corpus {

inline std::string pick(std::mt19937& rng, std::initializer_list<const char*> choices) {
    std::uniform_int_distribution<size_t> at(0, choices.size() - 1);
    return *(choices.begin() + at(rng));
}

inline std::string settingsFile(std::mt19937& rng) {
    std::uniform_int_distribution<int> percent(0, 99);
    std::string file = percent(rng) < 8 ? "\xEF\xBB\xBF" : "";
    const int lines = std::uniform_int_distribution<int>(0, 40)(rng);
    for (int n = 0; n < lines; ++n) {
        const int kind = percent(rng);
        std::string line;
        if (kind < 15) {
            line = pick(rng, {"[Projectiles]", "[Lingering]", "[Projectiles]", "[Lingering]", "[ Lingering ]", "[lingering]", "[]", "[Projectiles] ; c",
                              "[Lingering", "Lingering]", "\t[Lingering] \t", "[[Lingering]]", "[Lingering]x", "[",
                              "[Proj=ectiles]", "[Other]"});
        } else if (kind < 22) {
            line = pick(rng, {"", "   ", "\t", "; comment", ";ToggleKey=M", "# not a comment=1", ";", "no equals here",
                              "=", "==", " = ", "\v", "\f=3"});
        } else {
            const std::string key = pick(
                rng, {"ToggleKey", "togglekey", "EnableKnifeCamera", "EnableArrowCamera", "EnableTomahawkCamera",
                      "EnableDynamiteCamera", "EnableFireBottleCamera", "EnableBulletLineCamera", "BulletCamSpeed",
                      "LingerTime", "lingertime", "CameraOffsetBack", "slowMotionFactor", "BulletLingerSpeed",
                      "BowLingerSpeed", "BowCamSpeed", "Other", "", " LingerTime", "Linger Time"});
            // Mostly the kind of value the key takes, sometimes any kind.
            const int family = percent(rng) < 30 ? percent(rng) % 3 : key.rfind("Enable", 0) == 0 ? 0
                                                                     : key.find("Toggle") != std::string::npos ? 2 : 1;
            const std::string value =
                family == 0 ? pick(rng, {"1", "0", "true", "false", "True", "False", "TRUE", "yes", "", "00", "0 ; off",
                                         " 0", "False ", "true=1"})
                : family == 1
                    ? pick(rng, {"2.5", "-1", "1e40", "1e-40", "4s", "2,5", "0x1p3", "nan", "inf", "-inf",
                                 "3.25 seconds", "2.5=3", "abc", " 7 ", "", "+5", ".5", "1.", "0.05", "5e-2", "3\t",
                                 "1e-30", "3e38", "0", "-0", "0x10"})
                    : pick(rng, {"N", "n", "F5", "f13", "F1X", "F", "FX", "F99", "F0", "F-1", "F+5", "F 5", "0x4E",
                                 "0X", "0xg", "0xFFFFFFFF", "0x7FFFFFFF", "78", "2147483647", "2147483648", "4294967373",
                                 "99999999999", "Space", "esc", "Escape", "Return", "ENTER", "tab", "Shift", "k\xE9y",
                                 " -5", "\t0x4e", "0", "", "1"});
            line = key + pick(rng, {"=", " = ", "\t=", "= ", "=\t"}) + value;
            if (percent(rng) < 20) line = pick(rng, {" ", "\t", "  \t"}) + line;
        }
        if (percent(rng) < 2) line += std::string(std::uniform_int_distribution<int>(1000, 70000)(rng), 'x');
        file += line + pick(rng, {"\n", "\n", "\n", "\r\n", "\r\n", "\r", "\r\r\n", "\n\r"});
    }
    // A few changes anywhere: NUL bytes, control characters, bytes above 127.
    const int changes = percent(rng) < 30 ? std::uniform_int_distribution<int>(1, 4)(rng) : 0;
    for (int c = 0; c < changes && !file.empty(); ++c) {
        const size_t at = std::uniform_int_distribution<size_t>(0, file.size() - 1)(rng);
        static const char kBytes[] = {'\0', '\r', '\n', '=', '[', ']', ';', ' ', '\x1A', '\xFF', '\x85'};
        const char byte = kBytes[std::uniform_int_distribution<size_t>(0, sizeof kBytes - 1)(rng)];
        if (percent(rng) < 50) file[at] = byte; else file.insert(at, 1, byte);
    }
    if (percent(rng) < 10 && !file.empty()) file.pop_back();  // no line end at the very end
    return file;
}

}  // namespace corpus
