// Fuzz target: one key-binding value. The bytes are trimmed and upper-cased as
// the loader does, turned into a code by keyCodeFor, and checked against an
// independent reading of the notation rules built on strtoll.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/key_bindings.h"
#include "settings/settings_file.h"

namespace {

void fail(const std::string& value, const char* what) {
    std::fprintf(stderr, "key_binding_fuzzer: %s for value of %zu bytes\n", what, value.size());
    std::abort();
}

// The integer reading of the rules: blanks (C isspace), a sign, digits; the
// rest ignored. False without a digit or outside the signed 32-bit range.
bool readInteger(const std::string& text, int base, long long& out) {
    errno = 0;
    char* end = nullptr;
    const long long n = std::strtoll(text.c_str(), &end, base);
    if (end == text.c_str()) return false;
    if (errno == ERANGE || n < INT32_MIN || n > INT32_MAX) return false;
    out = n;
    return true;
}

// Expected code, 0 when the value names no key.
long long expectedCode(const std::string& v) {
    long long n = 0;
    // Stops at an embedded NUL the way the library's conversion does.
    if (!v.empty() && v[0] == 'F' && v.size() <= 3) return readInteger(v.substr(1), 10, n) ? n + 111 : 0;
    if (v.size() == 1 && v[0] >= 'A' && v[0] <= 'Z') return v[0];
    if (v.size() >= 2 && v[0] == '0' && v[1] == 'X') return readInteger(v, 16, n) ? n : 0;
    if (!v.empty() && v[0] >= '0' && v[0] <= '9') return readInteger(v, 10, n) ? n : 0;
    static const struct { const char* name; int code; } named[] = {
        {"SPACE", 32}, {"ENTER", 13}, {"RETURN", 13}, {"ESC", 27}, {"ESCAPE", 27}, {"TAB", 9}};
    for (const auto& k : named)
        if (v == k.name) return k.code;
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string raw(reinterpret_cast<const char*>(data), size);
    const std::string value = upperCase(trimBlanks(raw));

    for (char c : value)
        if (c >= 'a' && c <= 'z') fail(value, "lower-case letter left after upper-casing");

    int32_t code = -12345;
    const bool named = keyCodeFor(value, code);
    const long long expected = expectedCode(value);
    if (named) {
        if (code == 0) fail(value, "code 0 reported as a key");
        if (code != expected) fail(value, "code differs from the notation rules");
    } else {
        if (code != -12345) fail(value, "code written although no key was named");
        if (expected != 0) fail(value, "a value the rules accept was refused");
    }
    return 0;
}
