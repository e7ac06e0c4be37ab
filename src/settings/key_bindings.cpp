#include "settings/key_bindings.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "settings/settings_file.h"

std::unordered_map<std::string, int32_t> keyBindings;

const NamedKey kNamedKeys[6] = {{"SPACE", 32}, {"ENTER", 13}, {"RETURN", 13}, {"ESC", 27}, {"ESCAPE", 27}, {"TAB", 9}};

std::string upperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

// std::stoi without its exceptions: blanks skipped, a sign, digits up to the
// first other character; false when no number starts the text or it lies
// outside the signed 32-bit range. (On Windows long has 32 bits, and strtol
// reports the range error itself.)
static bool readInt(const char* text, int base, int32_t& value) {
    char* end = nullptr;
    errno = 0;
    const long read = std::strtol(text, &end, base);
    if (end == text || errno == ERANGE || read < INT32_MIN || read > INT32_MAX) return false;
    value = static_cast<int32_t>(read);
    return true;
}

bool keyCodeFor(const std::string& v, int32_t& code) {
    int32_t found = 0;
    bool read = false;
    if (!v.empty() && v[0] == 'F' && v.size() <= 3) {  // F1 is 112
        read = readInt(v.c_str() + 1, 10, found);
        found += 111;
    } else if (v.size() == 1 && v[0] >= 'A' && v[0] <= 'Z') {
        read = true;
        found = v[0];
    } else if (v.size() >= 2 && v[0] == '0' && v[1] == 'X') {
        read = readInt(v.c_str(), 16, found);
    } else if (!v.empty() && v[0] >= '0' && v[0] <= '9') {
        read = readInt(v.c_str(), 10, found);
    } else {
        for (const NamedKey& key : kNamedKeys)
            if (v == key.name) read = true, found = key.code;
    }
    if (!read || found == 0) return false;
    code = found;
    return true;
}

void bindKeys(std::string_view text, std::unordered_map<std::string, int32_t>& table, std::string& printed) {
    size_t pos = 0;
    std::string_view line;
    // Looser than the section reads: sections and comments play no part;
    // every line holding "=" is a binding, split at its first "=".
    Binding b;
    while (nextLine(text, pos, line)) {
        if (!bindingOf(line, b)) continue;
        if (b.code != 0)
            table[b.name] = b.code;
        else
            printed += unknownBindingMessage(b.name, b.value) + "\n";
    }
}

bool bindingOf(std::string_view line, Binding& binding) {
    std::string_view name, value;
    if (!splitAtEquals(line, name, value)) return false;
    binding.name = std::string(name);
    binding.value = upperCase(value);
    binding.code = 0;  // stays so when the value names no key
    keyCodeFor(binding.value, binding.code);
    return true;
}

std::string unknownBindingMessage(const std::string& name, const std::string& value) {
    // As printf's %s writes them: each up to its first NUL byte.
    return std::string("Unknown key binding: ") + name.c_str() + "=" + value.c_str();
}

void loadKeyBindings() {
    std::string printed;
    try {
        std::string text;
        if (readSettingsFile(kSettingsPath, text)) bindKeys(text, keyBindings, printed);
    } catch (...) {
        // No memory: the bindings and messages so far stand; the rest is not read.
    }
    std::fwrite(printed.data(), 1, printed.size(), stdout);
    std::fflush(stdout);
}
