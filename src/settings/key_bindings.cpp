#include "settings/key_bindings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "settings/catalogue.h"
#include "settings/settings_file.h"

std::unordered_map<std::string, int32_t> keyBindings;

namespace {

struct NamedKey {
    std::string_view name;
    int32_t code;
};

const NamedKey kNamedKeys[] = {
    {"SPACE", 32}, {"ENTER", 13}, {"RETURN", 13}, {"ESC", 27}, {"ESCAPE", 27}, {"TAB", 9},
};

char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// std::stoi on text without the exceptions: the same strtol call on a
// terminated copy, and the same two failures (no number at the start, or
// outside the signed 32-bit range).
bool readInt(std::string_view text, int base, int32_t& value) {
    // Most values are a few decimal digits: read those here, as strtol would.
    // Nine digits cannot leave the 32-bit range; anything else goes to strtol.
    if (base == 10) {
        const auto digitAt = [&text](std::size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
        std::size_t digits = 0;
        int32_t read = 0;
        while (digits < 9 && digitAt(digits)) {
            read = read * 10 + (text[digits] - '0');
            ++digits;
        }
        if (digits != 0 && !digitAt(digits)) {
            value = read;
            return true;
        }
    }
    char shortCopy[64];
    std::string longCopy;
    const char* terminated = shortCopy;
    if (text.size() < sizeof shortCopy) {
        std::memcpy(shortCopy, text.data(), text.size());
        shortCopy[text.size()] = '\0';
    } else {
        longCopy.assign(text.data(), text.size());
        terminated = longCopy.c_str();
    }
    const int saved = errno;
    errno = 0;
    char* end = nullptr;
    const long read = std::strtol(terminated, &end, base);
    const bool outOfRange = errno == ERANGE;
    if (errno == 0) errno = saved;
    if (end == terminated) return false;
    if (outOfRange || read < INT32_MIN || read > INT32_MAX) return false;
    value = static_cast<int32_t>(read);
    return true;
}

enum class Rule { None, Code, Unreadable };

// Tried in order; the first rule whose condition holds decides, even when its
// number cannot be read. With foldCase the value is taken as upperCase would
// make it, so that the loader need not copy every value to upper-case it: the
// integers read are the same either way, as strtol takes hexadecimal digits
// and the 0x prefix in both cases and no letter is a decimal digit or a blank.
template <bool foldCase>
Rule ruleCode(std::string_view value, int32_t& code) {
    const auto at = [&value](std::size_t i) { return foldCase ? upperAscii(value[i]) : value[i]; };
    const std::size_t size = value.size();
    if (size != 0 && at(0) == 'F' && size <= 3) {
        // "F", "FX", "FOO": no digits after the F
        if (!readInt(value.substr(1), 10, code)) return Rule::Unreadable;
        code += 111;
        return Rule::Code;
    }
    if (size == 1 && at(0) >= 'A' && at(0) <= 'Z') {
        code = at(0);
        return Rule::Code;
    }
    if (size >= 2 && at(0) == '0' && at(1) == 'X') {
        return readInt(value, 16, code) ? Rule::Code : Rule::Unreadable;
    }
    if (size != 0 && at(0) >= '0' && at(0) <= '9') {
        return readInt(value, 10, code) ? Rule::Code : Rule::Unreadable;
    }
    for (const NamedKey& key : kNamedKeys) {
        if (key.name.size() != size) continue;
        std::size_t i = 0;
        while (i < size && at(i) == key.name[i]) ++i;
        if (i == size) {
            code = key.code;
            return Rule::Code;
        }
    }
    return Rule::None;
}

template <bool foldCase>
bool codeFor(std::string_view value, int32_t& code) {
    int32_t found = 0;
    if (ruleCode<foldCase>(value, found) != Rule::Code || found == 0) return false;
    code = found;
    return true;
}

}  // namespace

std::string upperCase(const std::string& text) {
    std::string upper = text;
    for (char& c : upper) c = upperAscii(c);
    return upper;
}

bool keyCodeFor(const std::string& upperValue, int32_t& code) {
    return codeFor<false>(upperValue, code);
}

void loadKeyBindings() {
    try {
        SettingsFileLines lines(kSettingsPath);
        // Kept across lines so that their buffers are reused.
        std::string name;
        std::string upperValue;
        std::string_view line;
        std::size_t equals = 0;
        // Looser than the section reader: sections and comments play no
        // part, every line holding "=" is a binding, split at its first "=".
        while (lines.nextHolding('=', line, equals)) {
            const std::string_view nameView = trimBlanksView(line.substr(0, equals));
            const std::string_view value = trimBlanksView(line.substr(equals + 1));
            name.assign(nameView.data(), nameView.size());
            int32_t code = 0;
            if (codeFor<true>(value, code)) {
                keyBindings[name] = code;
            } else {
                upperValue.assign(value.data(), value.size());
                for (char& c : upperValue) c = upperAscii(c);
                std::printf("Unknown key binding: %s=%s\n", name.c_str(), upperValue.c_str());
            }
        }
    } catch (...) {
        // Bindings read so far stay; the rest of the file is not read.
    }
    std::fflush(stdout);
}
