// Key bindings: every "name=value" line of the settings file, as virtual-key codes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

extern std::unordered_map<std::string, int32_t> keyBindings;

// Fills keyBindings from the settings file; prints one line for each value
// that names no key.
void loadKeyBindings();

// The rules over a file's text: every line holding "=" binds the trimmed name
// before it to the code its value names, in `table`; for each value that
// names none, the message line is appended to `printed`.
void bindKeys(std::string_view text, std::unordered_map<std::string, int32_t>& table, std::string& printed);

// What one line of the file binds: its trimmed name, its value trimmed and
// upper-cased, and the code that names (0: none, and the line prints the
// message). False for a line without "=", which binds nothing.
struct Binding {
    std::string name;
    std::string value;
    int32_t code = 0;
};
bool bindingOf(std::string_view line, Binding& binding);

// The named keys a value may give, compared after upper-casing.
struct NamedKey {
    const char* name;
    int32_t code;
};
extern const NamedKey kNamedKeys[6];

// The line bindKeys prints for a trimmed name and upper-cased value that
// names no key, without its line feed: each as printf's %s writes it, up to
// its first NUL byte. Public so that tools quote exactly what is printed.
std::string unknownBindingMessage(const std::string& name, const std::string& upperValue);

// ASCII a to z become A to Z; every other byte stays.
std::string upperCase(std::string_view text);

// The virtual-key code an upper-cased binding value names: F0 to F99, a
// letter, a 0X hexadecimal or a decimal code, or one of SPACE, ENTER, RETURN,
// ESC, ESCAPE, TAB. False when it names none, when the code is 0, and when the
// number due cannot be read (none there, or outside the signed 32-bit range).
bool keyCodeFor(const std::string& upperValue, int32_t& code);
