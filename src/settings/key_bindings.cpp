#include "settings/key_bindings.h"

#include <cstdio>
#include <stdexcept>

#include "settings/catalogue.h"
#include "settings/settings_file.h"

std::unordered_map<std::string, int32_t> keyBindings;

namespace {

struct NamedKey {
    const char* name;
    int32_t code;
};

const NamedKey kNamedKeys[] = {
    {"SPACE", 32}, {"ENTER", 13}, {"RETURN", 13}, {"ESC", 27}, {"ESCAPE", 27}, {"TAB", 9},
};

// Tried in order; the first rule whose condition holds decides, even when its
// number cannot be read.
bool ruleCode(const std::string& value, int32_t& code) {
    if (!value.empty() && value[0] == 'F' && value.size() <= 3) {
        code = std::stoi(value.substr(1), nullptr, 10) + 111;
        return true;
    }
    if (value.size() == 1 && value[0] >= 'A' && value[0] <= 'Z') {
        code = value[0];
        return true;
    }
    if (value.size() >= 2 && value[0] == '0' && value[1] == 'X') {
        code = std::stoi(value, nullptr, 16);
        return true;
    }
    if (!value.empty() && value[0] >= '0' && value[0] <= '9') {
        code = std::stoi(value, nullptr, 10);
        return true;
    }
    for (const NamedKey& key : kNamedKeys) {
        if (value == key.name) {
            code = key.code;
            return true;
        }
    }
    return false;
}

}  // namespace

std::string upperCase(const std::string& text) {
    std::string upper = text;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

bool keyCodeFor(const std::string& upperValue, int32_t& code) {
    int32_t found = 0;
    try {
        if (!ruleCode(upperValue, found)) return false;
    } catch (const std::invalid_argument&) {
        return false;  // "F", "FX", "FOO": no digits after the F
    } catch (const std::out_of_range&) {
        return false;  // does not fit a signed 32-bit code
    }
    if (found == 0) return false;
    code = found;
    return true;
}

void loadKeyBindings() {
    try {
        forEachLine(kSettingsPath, [](const std::string& line) {
            // Looser than the section reader: sections and comments play no
            // part, every line holding "=" is a binding.
            const std::string::size_type equals = line.find('=');
            if (equals == std::string::npos) return false;
            const std::string name = trimBlanks(line.substr(0, equals));
            const std::string value = upperCase(trimBlanks(line.substr(equals + 1)));
            int32_t code = 0;
            if (keyCodeFor(value, code)) {
                keyBindings[name] = code;
            } else {
                std::printf("Unknown key binding: %s=%s\n", name.c_str(), value.c_str());
            }
            return false;
        });
    } catch (...) {
        // Bindings read so far stay; the rest of the file is not read.
    }
    std::fflush(stdout);
}
