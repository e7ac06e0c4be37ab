#include "settings_model.h"

#include <cstring>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "settings/float_conversion.h"

namespace model {

const char* const kSwitchKeys[6] = {"EnableKnifeCamera",    "EnableArrowCamera",      "EnableTomahawkCamera",
                                    "EnableDynamiteCamera", "EnableFireBottleCamera", "EnableBulletLineCamera"};
const char* const kNumberKeys[7] = {"BulletCamSpeed",    "LingerTime",     "CameraOffsetBack", "slowMotionFactor",
                                    "BulletLingerSpeed", "BowLingerSpeed", "BowCamSpeed"};
const float kNumberDefaults[7] = {3.5f, 2.5f, 2.0f, 0.05f, 0.05f, 0.05f, 0.7f};

namespace {

// The file read in text mode: CR LF becomes LF; then the lines, each up to a
// line feed, the last one needing none.
std::vector<std::string> lines(const std::string& file) {
    std::string folded;
    for (size_t i = 0; i < file.size(); ++i) {
        if (file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n') continue;
        folded += file[i];
    }
    std::vector<std::string> out;
    std::istringstream in(folded);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string trim(const std::string& s) {
    size_t first = 0, last = s.size();
    while (first < last && blank(s[first])) ++first;
    while (last > first && blank(s[last - 1])) --last;
    return s.substr(first, last - first);
}

using Lines = std::vector<std::string>;

// The values of every entry named `key` in `section`, in file order.
std::vector<std::string> entries(const Lines& file, const std::string& section, const std::string& key) {
    std::vector<std::string> values;
    std::string current;  // the empty-named section until the first header
    for (const std::string& raw : file) {
        const std::string line = trim(raw);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[' && line.back() == ']') {
            current = line.substr(1, line.size() - 2);
            continue;
        }
        if (current != section) continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        if (trim(line.substr(0, equals)) != key) continue;
        values.push_back(trim(line.substr(equals + 1)));
    }
    return values;
}

bool readBool(const Lines& file, const std::string& key) {
    for (const std::string& v : entries(file, "Projectiles", key)) {
        if (v == "1" || v == "true" || v == "True") return true;
        if (v == "0" || v == "false" || v == "False") return false;
    }
    return true;
}

float readFloat(const Lines& file, const std::string& key, float fallback) {
    const std::vector<std::string> values = entries(file, "Lingering", key);
    if (values.empty()) return fallback;
    // The conversion itself is the plug-in's own, held against the Windows
    // build's C runtime by its corpus tests; this model checks what is done with it.
    float value = fallback;
    convertFloat(values[0], value);
    return value;
}

// The code a binding value names, 0 for none (an unreadable number included).
int32_t keyCode(const std::string& v) {
    try {
        if (!v.empty() && v[0] == 'F' && v.size() <= 3) return std::stoi(v.substr(1)) + 111;
        if (v.size() == 1 && v[0] >= 'A' && v[0] <= 'Z') return v[0];
        if (v.size() >= 2 && v[0] == '0' && v[1] == 'X') return std::stoi(v, nullptr, 16);
        if (!v.empty() && v[0] >= '0' && v[0] <= '9') return std::stoi(v);
    } catch (const std::exception&) {
        return 0;
    }
    static const std::map<std::string, int32_t> named = {{"SPACE", 32}, {"ENTER", 13}, {"RETURN", 13},
                                                  {"ESC", 27},   {"ESCAPE", 27}, {"TAB", 9}};
    const auto found = named.find(v);
    return found == named.end() ? 0 : found->second;
}

void bindKeys(const Lines& file, Settings& s) {
    for (const std::string& line : file) {
        if (line.empty()) continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string name = trim(line.substr(0, equals));
        std::string value = trim(line.substr(equals + 1));
        for (char& c : value)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        const int32_t code = keyCode(value);
        if (code != 0)
            s.bindings[name] = code;
        else  // printf's %s: each string up to its first NUL
            s.printed += std::string("Unknown key binding: ") + name.c_str() + "=" + value.c_str() + "\n";
    }
}

}  // namespace

Settings load(const std::string* file) {
    Settings s;
    // The same lines for every read: each read of the file sees the same bytes.
    const Lines text = file ? lines(*file) : Lines();  // no file: no lines
    bindKeys(text, s);
    const auto toggle = s.bindings.find("ToggleKey");
    if (toggle != s.bindings.end()) s.toggleKey = toggle->second;
    for (int i = 0; i < 6; ++i) s.switches[i] = readBool(text, kSwitchKeys[i]);
    for (int i = 0; i < 7; ++i) s.numbers[i] = readFloat(text, kNumberKeys[i], kNumberDefaults[i]);
    return s;
}

std::string difference(const Settings& expected, const Settings& actual) {
    std::ostringstream d;
    if (expected.toggleKey != actual.toggleKey)
        d << "toggle key " << actual.toggleKey << ", the rules say " << expected.toggleKey << "\n";
    for (int i = 0; i < 6; ++i)
        if (expected.switches[i] != actual.switches[i])
            d << kSwitchKeys[i] << " " << actual.switches[i] << ", the rules say " << expected.switches[i] << "\n";
    for (int i = 0; i < 7; ++i)
        if (std::memcmp(&expected.numbers[i], &actual.numbers[i], sizeof(float)) != 0)
            d << kNumberKeys[i] << " " << actual.numbers[i] << ", the rules say " << expected.numbers[i] << "\n";
    if (expected.bindings != actual.bindings) d << "the key-binding tables differ\n";
    if (expected.printed != actual.printed)
        d << "printed:\n" << actual.printed << "the rules print:\n" << expected.printed;
    return d.str();
}

}  // namespace model
