#include "tuner.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include <nlohmann/json.hpp>

#include "bundled_scenarios.h"
#include "cameras/blade_camera.h"
#include "cameras/explosive_camera.h"
#include "cameras/hash_set.h"
#include "cameras/shot_dispatch.h"
#include "game_names.h"
#include "ini_check.h"
#include "key_names.h"
#include "weapons.h"
#include "meaning.h"
#include "page_data.h"
#include "run_in_process.h"
#include "settings/catalogue.h"
#include "settings/key_bindings.h"
#include "settings/settings_file.h"

namespace tuner {

using nlohmann::json;

namespace {

// Text from a settings file may be any bytes; the page shows what is not
// UTF-8 as a replacement character rather than losing the whole answer.
std::string dump(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

std::string hexText(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// Each line of the file as the plug-in cuts it: content [start, end), and
// where the next line starts (past the line feed and a folded carriage return).
struct Span {
    size_t start, end, next;
};

std::vector<Span> lineSpans(const std::string& file) {
    std::vector<Span> spans;
    size_t pos = 0;
    std::string_view line;
    while (true) {
        if (!nextLine(file, pos, line)) break;
        const size_t start = static_cast<size_t>(line.data() - file.data());
        // The last line ends at the end of the file, with or without a line feed.
        spans.push_back({start, start + line.size(), std::min(pos, file.size())});
    }
    return spans;
}

// The section a setting is added under: its own; the key binding is read
// anywhere, and the shipped file keeps it under [Keys].
std::string sectionOf(const Setting& s) { return s.kind == SettingKind::Key ? "Keys" : s.section; }

const char* kindName(SettingKind kind) {
    return kind == SettingKind::Key ? "key" : kind == SettingKind::Switch ? "switch" : "number";
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The value of an entry or binding line, by the plug-in's own split: where
// it starts and ends in the file. False without "=".
bool valueSpan(const std::string& file, const Span& line, size_t& start, size_t& end) {
    std::string_view name, value;
    if (!splitAtEquals(std::string_view(file).substr(line.start, line.end - line.start), name, value)) return false;
    start = static_cast<size_t>(value.data() - file.data());
    end = start + value.size();
    return true;
}

}  // namespace

// ---- What the plug-in makes of a file ---------------------------------------------------------
std::string analyse(const std::string& file) {
    const tools::IniReport r = tools::analyseIniText("Veltrix.ini", &file);
    json out;
    out["size"] = file.size();

    // Notes repeat a great deal in a long file: each text once.
    std::map<std::string, int> textIds;
    json texts = json::array();
    json lines = json::array();
    const std::vector<Span> spans = lineSpans(file);
    for (size_t i = 0; i < spans.size() && i < r.lines.size(); ++i) {
        json line = {spans[i].start, spans[i].end, spans[i].next};
        for (const std::string& note : r.lines[i].notes) {
            auto [it, added] = textIds.emplace(note, static_cast<int>(texts.size()));
            if (added) texts.push_back(note);
            line.push_back(it->second);
        }
        lines.push_back(std::move(line));
    }
    out["lines"] = std::move(lines);
    out["texts"] = std::move(texts);

    json warnings = json::array();
    for (const tools::Finding& w : r.warnings) warnings.push_back({{"line", w.line}, {"text", w.text}});
    out["warnings"] = std::move(warnings);

    // The values are the plug-in's own load of these bytes (ini-check's
    // analysis made it), with the line that decides each.
    json settings = json::array();
    for (const tools::EffectiveSetting& e : r.settings) {
        const Setting& s = *e.setting;
        json setting = {{"key", s.key},        {"section", sectionOf(s)},      {"kind", kindName(s.kind)},
                        {"text", e.value},     {"line", e.line},               {"fromDefault", e.isDefault},
                        {"sameAsDefault", e.sameAsDefault}};
        // The value as the deciding line writes it, for the page's text box.
        size_t start = 0, end = 0;
        if (e.line > 0 && static_cast<size_t>(e.line) <= spans.size() &&
            valueSpan(file, spans[static_cast<size_t>(e.line - 1)], start, end))
            setting["written"] = tools::latin1(file.substr(start, end - start));
        if (s.kind == SettingKind::Key) {
            setting["code"] = r.loaded.toggleKey;
            setting["name"] = tools::keyName(r.loaded.toggleKey);
        }
        if (s.kind == SettingKind::Switch) setting["on"] = r.loaded.switches.*s.on;
        // Not a number or infinite has no JSON number: null, and the text says which.
        if (s.kind == SettingKind::Number) setting["number"] = std::isfinite(*s.number) ? json(*s.number) : json(nullptr);
        settings.push_back(std::move(setting));
    }
    out["settings"] = std::move(settings);

    json lines_printed = json::array();
    for (const std::string& line : r.printed) lines_printed.push_back(tools::latin1(line));
    out["printed"] = std::move(lines_printed);

    const tools::MeaningTable table = tools::meaningTable(r, tools::meaningOf(), -1);
    json rows = json::array();
    for (const tools::MeaningRow& row : table.rows)
        rows.push_back({row.camera, row.startedBy, row.follows, row.then, row.speed});
    out["meaning"] = {{"rows", rows}, {"bulletEnd", table.bulletEnd}};
    return dump(out);
}

// ---- Editing ------------------------------------------------------------------------------------
namespace {

// The value to write, as text; false when `value` cannot be one for this kind.
bool valueText(const Setting& s, const std::string& value, const std::string& current, std::string& text,
               std::string& problem) {
    if (s.kind == SettingKind::Number) {
        text = std::string(trimBlanks(value));
        return true;
    }
    if (s.kind == SettingKind::Switch) {
        if (value != "1" && value != "0") {
            problem = "a switch is set with 1 or 0";
            return false;
        }
        const bool on = value == "1";
        // The word the line already uses, where it uses one.
        if (current == "true" || current == "false")
            text = on ? "true" : "false";
        else if (current == "True" || current == "False")
            text = on ? "True" : "False";
        else
            text = on ? "1" : "0";
        return true;
    }
    char* end = nullptr;
    const long code = std::strtol(value.c_str(), &end, 10);
    int32_t read = 0;
    if (end == value.c_str() || *end != '\0' || code < 1 || code > 254 ||
        !keyCodeFor(upperCase(tools::keyText(static_cast<int32_t>(code))), read) || read != code) {
        problem = "no key has the code " + value;
        return false;
    }
    text = tools::keyText(static_cast<int32_t>(code));
    return true;
}

// Whether the plug-in, reading `file`, gives `s` the value that `text` says.
bool readsAs(const std::string& file, const Setting& s, const std::string& text) {
    if (s.kind == SettingKind::Number) {
        float wanted = s.defaultValue;  // an unusable value gives the default
        convertFloat(text, wanted);
        return sameBits(floatFromText(file, s.section, s.key, s.defaultValue), wanted);
    }
    bool on = true;
    if (s.kind == SettingKind::Switch) return readBoolValue(text, on) && boolFromText(file, s.section, s.key) == on;
    std::unordered_map<std::string, int32_t> table;
    std::string printed;
    bindKeys(file, table, printed);
    int32_t code = 0;
    return table.count(s.key) && keyCodeFor(upperCase(text), code) && table[s.key] == code;
}

// Where the value that decides `s` stands in the file, by the plug-in's own
// reads (for the key, its last binding with a code); false when none does.
bool decidingSpan(const std::string& file, const Setting& s, size_t& start, size_t& end) {
    std::string_view value;
    bool found = false;
    if (s.kind == SettingKind::Key) {
        size_t pos = 0;
        std::string_view line, name, v;
        Binding b;
        while (nextLine(file, pos, line))
            if (bindingOf(line, b) && b.name == s.key && b.code != 0 && splitAtEquals(line, name, v))
                value = v, found = true;
    } else {
        const Decides rule = s.kind == SettingKind::Switch ? Decides::FirstSwitchValue : Decides::FirstEntry;
        found = decidingValue(file, s.section, s.key, rule, value);
    }
    if (!found) return false;
    start = static_cast<size_t>(value.data() - file.data());
    end = start + value.size();
    return true;
}

}  // namespace

bool editSetting(const std::string& file, const std::string& key, const std::string& value, std::string& edited,
                 std::string& problem) {
    const Setting* setting = findSetting(key);
    if (!setting) {
        problem = "the plug-in has no setting called " + key;
        return false;
    }
    if (value.find_first_of("\r\n") != std::string::npos) {
        problem = "a value is one line";
        return false;
    }
    const std::vector<Span> spans = lineSpans(file);
    size_t valueStart = 0, valueEnd = 0;
    const bool decided = decidingSpan(file, *setting, valueStart, valueEnd);
    const std::string current = file.substr(valueStart, valueEnd - valueStart);
    std::string text;
    if (!valueText(*setting, value, current, text, problem)) return false;

    if (decided) {
        edited = file.substr(0, valueStart) + text + file.substr(valueEnd);
    } else {
        // A new line under the first header of the setting's section, after
        // the last line of that block that is not blank; or the section and
        // the line at the end of the file. Line ends as the file's own.
        size_t crlf = 0, lf = 0;
        for (const Span& s : spans) {
            if (s.next > s.end + 1) ++crlf;
            else if (s.next > s.end) ++lf;
        }
        const std::string eol = crlf > lf ? "\r\n" : "\n";
        const std::string section = sectionOf(*setting);
        std::string_view name, unused;
        size_t after = spans.size();  // the line to insert after; none found yet
        for (size_t i = 0; i < spans.size(); ++i) {
            const std::string_view line(file.data() + spans[i].start, spans[i].end - spans[i].start);
            const LineKind lineKind = classifyLine(trimBlanks(line), name, unused);
            if (after == spans.size()) {
                if (lineKind == LineKind::Section && name == section) after = i;
            } else if (lineKind == LineKind::Section) {
                break;
            } else if (lineKind != LineKind::Empty) {
                after = i;
            }
        }
        std::string insertion = key + "=" + text + eol;
        size_t at = file.size();
        if (after < spans.size())
            at = spans[after].next;
        else
            insertion = "[" + section + "]" + eol + insertion;
        // The line before gets the line end it lacked, as the last line of a file may.
        const bool unterminated = at == file.size() && !spans.empty() && spans.back().next == spans.back().end;
        edited = file.substr(0, at) + (unterminated ? eol : "") + insertion + file.substr(at);
    }
    if (!readsAs(edited, *setting, text)) {
        problem = "internal: the plug-in does not read " + key + " as " + text + " from the edited file";
        return false;
    }
    return true;
}

std::string numberText(double wanted) {
    const float v = static_cast<float>(wanted);
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    // A value starting with the digit 0 is also read as the key code 0, which
    // the plug-in reports at every start: below 1 the file writes an exponent.
    const bool exponent = v > 0 && v < 1;
    char text[48];
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, exponent ? "%.*e" : "%.*g", exponent ? digits - 1 : digits,
                      static_cast<double>(v));
        if (std::strtof(text, nullptr) == v) break;
    }
    if (!exponent) return text;
    // 5.5e-02 as 5.5e-2
    const std::string s = text;
    const size_t e = s.find('e');
    return s.substr(0, e) + "e" + std::to_string(std::atoi(s.c_str() + e + 1));
}

// ---- Replays --------------------------------------------------------------------------------------
// The passes, one after another, each:
//   time scale, scripted view (0 or 1), native calls, camera count, then per
//   live camera: handle, position x y z, look point x y z, phase (its letter's
//   code), field of view (0: left to the host); object count, then per object
//   that exists: its index in the header's "objects", position x y z.
namespace {

// A replay as one blob: the header's length (4 bytes, little endian), the
// header, zeros to a multiple of 4, the passes' floats.
std::string blobOf(const json& header, const std::vector<float>& frames) {
    const std::string text = dump(header);
    const uint32_t length = static_cast<uint32_t>(text.size());
    std::string blob(4, '\0');
    for (int i = 0; i < 4; ++i) blob[static_cast<size_t>(i)] = static_cast<char>((length >> (8 * i)) & 0xFF);
    blob += text;
    blob.resize((blob.size() + 3) / 4 * 4, '\0');
    const size_t at = blob.size();
    blob.resize(at + frames.size() * sizeof(float));
    if (!frames.empty()) std::memcpy(&blob[at], frames.data(), frames.size() * sizeof(float));
    return blob;
}

// The blob of a trace (see above), its header `header` with the trace's
// figures added.
std::string encodeReplay(const sim::Scenario& s, const sim::Trace& t, const std::string& output, json header) {
    header["name"] = s.name;
    header["description"] = s.description;
    header["passes"] = s.passes;
    header["played"] = t.rows.size();
    header["player"] = {s.player.x, s.player.y, s.player.z};
    const Vector3 bone = sim::World().launchBoneOffset;
    header["launchBone"] = {s.player.x + bone.x, s.player.y + bone.y, s.player.z + bone.z};
    std::map<std::string, int> index;
    json objects = json::array();
    for (const sim::ScenarioObject& o : s.objects) {
        index[o.id] = static_cast<int>(objects.size());
        objects.push_back({{"id", o.id}, {"kind", "object"}, {"model", hexText(o.model)}});
    }
    for (const sim::ScenarioTarget& target : s.targets) {
        index[target.id] = static_cast<int>(objects.size());
        json bones = json::array();
        for (const sim::Bone& b : target.bones) bones.push_back({{"id", b.id}, {"offset", {b.offset.x, b.offset.y, b.offset.z}}});
        objects.push_back({{"id", target.id}, {"kind", "target"}, {"bones", bones}});
    }
    header["objects"] = objects;
    json lives = json::array();
    for (const sim::CameraLife& l : t.cameras)
        lives.push_back({{"handle", l.handle}, {"mode", l.mode}, {"created", l.created}, {"destroyed", l.destroyed},
                         {"followed", l.followed}, {"lingered", l.lingered}});
    header["lives"] = lives;
    json calls = json::array();
    for (const auto& [pass, value] : t.timeScaleCalls) calls.push_back({pass, sim::floatJson(value)});
    header["timeScaleCalls"] = calls;
    header["protocolErrors"] = t.protocolErrors;
    // What the plug-in printed (the page shows it from the analysis):
    // enough to compare runs, not a copy of a long file's every line.
    constexpr size_t kOutputShown = 4096;
    header["output"] = tools::latin1(output.substr(0, kOutputShown));
    header["outputBytes"] = output.size();

    std::vector<float> frames;
    for (const sim::TraceRow& row : t.rows) {
        frames.push_back(row.timeScale);
        frames.push_back(row.scriptedView ? 1.0f : 0.0f);
        frames.push_back(static_cast<float>(row.nativeCalls));
        frames.push_back(static_cast<float>(row.cameras.size()));
        for (const sim::CameraSample& c : row.cameras)
            frames.insert(frames.end(), {static_cast<float>(c.handle), c.position.x, c.position.y, c.position.z,
                                         c.lookAt.x, c.lookAt.y, c.lookAt.z, static_cast<float>(c.phase),
                                         c.fieldOfView});
        // An object the scenario does not name (a recorded trace may hold
        // anything) is left out rather than drawn as another.
        size_t objects = 0;
        const size_t countAt = frames.size();
        frames.push_back(0.0f);
        for (const sim::ObjectSample& o : row.objects) {
            const auto found = index.find(o.id);
            if (found == index.end()) continue;
            frames.insert(frames.end(), {static_cast<float>(found->second), o.position.x, o.position.y, o.position.z});
            ++objects;
        }
        frames[countAt] = static_cast<float>(objects);
    }
    return blobOf(header, frames);
}

}  // namespace

std::string replay(const std::string& scenarioJson, const std::string* file, const std::string& workDirectory) {
    try {
        sim::Scenario s = sim::parseScenario(json::parse(scenarioJson));
        if (file) s.ini = *file;
        const sim::InProcessResult run = sim::runInProcess(s, workDirectory, {}, true);
        return encodeReplay(s, run.trace, run.output, {{"cutShort", run.cutShort}});
    } catch (const std::exception& e) {
        return blobOf({{"error", e.what()}}, {});
    }
}

std::string recordedReplay(const std::string& runJson) {
    try {
        const json run = json::parse(runJson);
        const sim::Scenario s = sim::parseScenario(run.at("scenario"));
        std::string output;
        if (!tools::fromLatin1(run.value("output", std::string()), output)) throw std::runtime_error("output: not bytes");
        return encodeReplay(s, sim::traceFromJson(run.at("trace")), output, {{"cutShort", false}, {"recorded", true}});
    } catch (const std::exception& e) {
        return blobOf({{"error", e.what()}}, {});
    }
}

std::string bundledScenarios() {
    json list = json::array();
    for (size_t k = 0; k < tools::kBundledScenarioCount; ++k)
        list.push_back({{"file", tools::kBundledScenarios[k].file}, {"json", tools::kBundledScenarios[k].json}});
    return dump(list);
}

// ---- The tables, and a shot of the modder's own ------------------------------------------------
std::string tables() {
    json list = json::array();
    for (const tools::Weapon& w : tools::pluginWeapons())
        list.push_back({{"hash", hexText(w.hash)},
                        {"kind", w.kind},
                        {"name", tools::nameWithHash(w.hash)},
                        {"gate", w.gate ? json(w.gate->key) : json(nullptr)}});
    json keys = json::array();
    for (int32_t code = 1; code <= 254; ++code) {
        const std::string name = tools::keyName(code);
        if (!name.empty()) keys.push_back({{"code", code}, {"name", name}, {"text", tools::keyText(code)}});
    }
    return dump({{"weapons", list}, {"keys", keys}});
}

std::string customShot(const std::string& paramsJson, std::string& problem) {
    try {
        const json p = json::parse(paramsJson);
        const uint32_t hash = static_cast<uint32_t>(std::stoul(p.at("weapon").get<std::string>(), nullptr, 16));
        const tools::Weapon* weapon = tools::findWeapon(hash);
        if (!weapon) {
            problem = "no weapon or throwable of the plug-in's tables has the hash " + hexText(hash);
            return {};
        }
        auto within = [](double v, double lo, double hi) { return std::isfinite(v) ? std::min(std::max(v, lo), hi) : lo; };
        const double distance = within(p.value("distance", 25.0), 2, 150);
        const double height = within(p.value("height", 0.0), -30, 30);
        const double speed = within(p.value("speed", 0.0), -20, 20);

        // The line of fire runs along +x; a target below the player has the
        // player stand that much higher, so that thrown things land at its feet.
        const double playerZ = height < 0 ? -height : 0, targetZ = height < 0 ? 0 : height;
        const std::string kind = weapon->kind;
        const bool shot = kind == "gun" || kind == "bow";
        json s;
        s["name"] = "custom";
        char text[256];
        std::snprintf(text, sizeof text, "The %s %s at a target %.0f m away, %.0f m %s the player, moving %.1f m/s "
                      "across the line of %s.", tools::nameWithHash(hash).c_str(), shot ? "fired" : "thrown", distance,
                      std::fabs(height), height < 0 ? "below" : "above", speed, shot ? "fire" : "the throw");
        s["description"] = std::string(text) + (shot ? " Aimed from pass 5, fired in pass 10." : " Thrown in pass 10.");
        s["player"] = {{"position", {0, 0, playerZ}}};
        s["targets"] = {{{"id", "target"},
                         {"position", {distance, 0, targetZ}},
                         {"velocity", {0, speed, 0}},
                         {"bones", {{{"id", 38713}, {"offset", {0.0, 0.0, 0.9}}}, {{"id", 14285}, {"offset", {0.3, 0.0, 1.5}}}}}}};
        json events = json::array();
        int passes = 60;
        if (shot) {
            s["weapon"] = hexText(hash);
            events = {{{"pass", 5}, {"action", "aim"}, {"id", "target"}},
                      {{"pass", 10}, {"action", "shoot"}},
                      {{"pass", 11}, {"action", "stop_shooting"}}};
        } else {
            // Thrown from the hand at the target's chest where it will be on
            // arrival: knives and tomahawks at 15 m/s along the ground, the rest at 10.
            const double along = kind == "knife" || kind == "tomahawk" ? 15 : 10;
            const double hand[3] = {0.4, 0.3, playerZ + 1.6};
            const double flight = std::max(0.3, distance / along);
            const double aim[3] = {distance, speed * flight, targetZ + 1.0};
            const sim::World world;  // its gravity and frame time
            const double gravity = world.gravity;
            const double velocity[3] = {(aim[0] - hand[0]) / flight, (aim[1] - hand[1]) / flight,
                                        (aim[2] - hand[2] + 0.5 * gravity * flight * flight) / flight};
            s["objects"] = {{{"id", kind},
                             {"model", hexText(hash)},
                             {"position", {hand[0], hand[1], hand[2]}},
                             {"velocity", {velocity[0], velocity[1], velocity[2]}}}};
            const int flightPasses = static_cast<int>(std::ceil(flight / world.frameTime));
            events = {{{"pass", 10}, {"action", "throw"}, {"id", kind}}};
            // Dynamite goes off and a fire bottle breaks a moment after it lands.
            if (kind == "dynamite" || inSet(kAnySpeedModels, hash))
                events.push_back({{"pass", 10 + flightPasses + 90}, {"action", "delete"}, {"id", kind}});
            passes = 10 + flightPasses + 120;
        }
        s["events"] = events;
        s["passes"] = passes;
        return dump(s);
    } catch (const std::exception& e) {
        problem = std::string("the shot cannot be staged: ") + e.what();
        return {};
    }
}

}  // namespace tuner
