// The natives the plug-in calls, and the simulated host's table of them, held
// to game/natives.tsv (the game's public native list): hash, argument count,
// how each slot is filled and how the result is read. The plug-in's side is
// read from its call sites: an int and a float slot can hold the same bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "world.h"

namespace {

namespace fs = std::filesystem;
const fs::path kRoot = VELTRIX_SOURCE_DIR;

// A listed native (named) or a call site (named file:line), in the letters of
// sim::NativeShape: arguments 'i' integer or handle, 'f' float, 'p' address;
// result 'n' not read, 'i' integer, 'h' hash, 'v' vector.
struct Native {
    std::string name;
    std::string arguments;
    char result = 'n';
};

// The one mapping of the list's types to slots and readings ('?': unknown).
char slotOf(const std::string& type) {
    static const std::set<std::string> integers = {"int", "BOOL", "Hash", "Cam", "Entity", "Ped", "Player"};
    return !type.empty() && type.back() == '*' ? 'p' : type == "float" ? 'f' : integers.count(type) ? 'i' : '?';
}
char readingOf(const std::string& type) {
    return type == "void" ? 'n' : type == "Vector3" ? 'v' : type == "Hash" ? 'h' : slotOf(type) == 'i' ? 'i' : '?';
}

std::map<uint64_t, Native> readList() {
    std::map<uint64_t, Native> list;
    std::ifstream file(kRoot / "game/natives.tsv");
    const std::regex tab("\t"), type(R"(^\s*(.*\S)\s+\w+\s*$)");  // "const char* camName" -> "const char*"
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#' || line.rfind("hash\t", 0) == 0) continue;
        std::vector<std::string> fields(std::sregex_token_iterator(line.begin(), line.end(), tab, -1), {});
        fields.resize(6);  // no arguments field when there are no arguments
        Native& native = list[std::stoull(fields[0], nullptr, 16)];
        native.name = fields[1];
        native.result = readingOf(fields[3]);
        std::istringstream arguments(fields[5]);
        std::smatch m;
        for (std::string argument; std::getline(arguments, argument, ',');)
            native.arguments += std::regex_match(argument, m, type) ? slotOf(m[1]) : '?';
        EXPECT_EQ(native.arguments.size(), std::stoul(fields[4])) << native.name << ": argument count";
    }
    return list;
}

// Comments blanked, newlines kept: a call in a comment is no call, and lines still count.
std::string code(const fs::path& path) {
    std::ifstream file(path);
    const std::string in((std::istreambuf_iterator<char>(file)), {});
    static const std::regex comment(R"(//[^\n]*|/\*[\s\S]*?\*/)");
    std::string out;
    auto from = in.cbegin();
    for (std::sregex_iterator m(in.begin(), in.end(), comment), end; m != end; ++m) {
        out.append(from, (*m)[0].first).append(std::count((*m)[0].first, (*m)[0].second, '\n'), '\n');
        from = (*m)[0].second;
    }
    return out.append(from, in.cend());
}

// Where the parenthesis opened at `open` closes, or npos.
size_t closing(const std::string& text, size_t open) {
    int depth = 0;
    for (size_t i = open; i < text.size() && text[open] == '('; ++i)
        if ((depth += text[i] == '(' ? 1 : text[i] == ')' ? -1 : 0) == 0) return i;
    return std::string::npos;
}

// Every invokeNative in src/ (but the layer's own definition), by hash. What
// the scan cannot read fully fails the test rather than being skipped.
std::multimap<uint64_t, Native> scanNatives() {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(kRoot / "src"))
        if ((entry.path().extension() == ".cpp" || entry.path().extension() == ".h") &&
            entry.path() != kRoot / "src/host/native.h")
            files[entry.path().lexically_relative(kRoot).string()] = code(entry.path());
    std::map<std::string, uint64_t> constants;
    const std::regex constant(R"(constexpr\s+uint64_t\s+(k\w+)\s*=\s*(0x[0-9A-Fa-f]+)\s*;)");
    for (const auto& [name, text] : files)
        for (std::sregex_iterator m(text.begin(), text.end(), constant), end; m != end; ++m)
            EXPECT_TRUE(constants.emplace((*m)[1], std::stoull((*m)[2], nullptr, 16)).second)
                << (*m)[1] << " defined twice (" << name << ")";
    const std::regex hashName(R"(^\s*(\w+)\s*$)");
    const std::regex slot(R"(^\s*(argInt|argFloat|argPointer)\s*(\([\s\S]*\))\s*$)");
    const std::regex reader(R"((static_cast<uint32_t>\(\s*resultInt|resultInt|resultBool|resultVector3)\s*\(\s*$)");
    const std::regex statement(R"((^|[;{})])\s*$)");
    std::multimap<uint64_t, Native> sites;
    for (const auto& [name, text] : files) {
        for (size_t at = text.find("invokeNative"); at != std::string::npos; at = text.find("invokeNative", at + 1)) {
            Native site{name + ":" + std::to_string(1 + std::count(text.begin(), text.begin() + at, '\n')), {}};
            const size_t open = text.find_first_not_of(" \t\n", at + 12), end = closing(text, open);
            std::vector<std::string> arguments(1);  // split at the call's own commas
            int depth = 0;
            for (size_t i = open + 1; end != std::string::npos && i < end; ++i) {
                depth += text[i] == '(' ? 1 : text[i] == ')' ? -1 : 0;
                if (depth == 0 && text[i] == ',') arguments.emplace_back();
                else arguments.back() += text[i];
            }
            std::smatch m;
            if (end == std::string::npos || !std::regex_match(arguments[0], m, hashName) || !constants.count(m[1])) {
                ADD_FAILURE() << site.name << ": not a call on a named hash constant";
                continue;
            }
            const uint64_t hash = constants[m[1]];
            // Each argument is one wrapper, whole: argInt(x) + 1 is not an int slot the scan can vouch for.
            for (size_t k = 1; k < arguments.size(); ++k) {
                if (std::regex_match(arguments[k], m, slot) && closing(m[2].str(), 0) + 1 == m[2].str().size())
                    site.arguments += m[1] == "argInt" ? 'i' : m[1] == "argFloat" ? 'f' : 'p';
                else
                    ADD_FAILURE() << site.name << ": argument " << k << " not one argInt/argFloat/argPointer";
            }
            // Read through one of the readers, or not at all (a statement of its own).
            const std::string before = text.substr(at > 120 ? at - 120 : 0, std::min<size_t>(at, 120));
            const size_t after = text.find_first_not_of(" \t\n", end + 1);
            if (std::regex_search(before, m, reader))
                site.result = m[1] == "resultVector3" ? 'v' : m[1] == "resultInt" || m[1] == "resultBool" ? 'i' : 'h';
            else if (!std::regex_search(before, statement) || after == std::string::npos || text[after] != ';')
                ADD_FAILURE() << site.name << ": result used in a way the scan cannot read";
            sites.emplace(hash, site);
        }
    }
    return sites;
}

TEST(NativeList, PluginCallsEachNativeAsListed) {
    const auto list = readList();
    const auto sites = scanNatives();
    ASSERT_FALSE(list.empty()) << "no natives read from game/natives.tsv";
    for (const auto& [hash, site] : sites) {
        const auto listed = list.find(hash);
        if (listed == list.end()) {
            ADD_FAILURE() << site.name << ": 0x" << std::hex << hash << " is not in the list";
            continue;
        }
        EXPECT_EQ(site.arguments, listed->second.arguments) << site.name << ": " << listed->second.name << "'s arguments";
        if (site.result != 'n') {
            EXPECT_EQ(site.result, listed->second.result) << site.name << ": " << listed->second.name << "'s result";
        }
    }
    for (const auto& [hash, listed] : list) EXPECT_NE(sites.count(hash), 0u) << listed.name << " never called";
}

TEST(NativeList, SimulatedHostAnswersEachNativeAsListed) {
    const auto list = readList();
    const auto sites = scanNatives();
    std::set<uint64_t> answered;
    for (const sim::NativeShape& native : sim::nativeShapes()) {
        EXPECT_TRUE(answered.insert(native.hash).second) << std::hex << native.hash << " twice in the table";
        const auto listed = list.find(native.hash);
        if (listed == list.end()) {
            ADD_FAILURE() << sim::nativeName(native.hash) << " is not in the list";
            continue;
        }
        EXPECT_EQ(native.arguments, listed->second.arguments) << listed->second.name << "'s argument kinds";
        // Logged as not read only if no call site reads it.
        const auto [first, last] = sites.equal_range(native.hash);
        const bool read = std::any_of(first, last, [](const auto& site) { return site.second.result != 'n'; });
        if (native.result != 'n' || read) {
            EXPECT_EQ(native.result, listed->second.result) << listed->second.name << "'s result reading";
        }
    }
    for (const auto& [hash, listed] : list) EXPECT_NE(answered.count(hash), 0u) << listed.name << " not answered";
}

}  // namespace
