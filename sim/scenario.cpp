#include "scenario.h"

#include "cameras/shot_dispatch.h"
#include "float_text.h"
#include "settings/key_bindings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace sim {

using nlohmann::json;

// ---- Reading scenarios -----------------------------------------------------------------------
namespace {

[[noreturn]] void fail(const std::string& message) { throw std::runtime_error(message); }

uint32_t readHash(const json& value, const char* what) {
    if (value.is_number_unsigned() || value.is_number_integer()) return value.get<uint32_t>();
    if (value.is_string()) {
        const std::string text = value.get<std::string>();
        try {
            size_t used = 0;
            const unsigned long long parsed = std::stoull(text, &used, 0);
            if (used == text.size() && parsed <= 0xFFFFFFFFull) return static_cast<uint32_t>(parsed);
        } catch (const std::exception&) {
        }
    }
    fail(std::string(what) + ": expected a number or a hex string such as \"0x5F30F384\", got " + value.dump());
}

// Key codes: a number, or a key as a settings file names it ("N", "F7",
// "SPACE", "0x4E"), read by the plug-in's own rule.
uint32_t readKey(const json& value) {
    if (value.is_number_integer()) return value.get<uint32_t>();
    int32_t code = 0;
    if (value.is_string() && keyCodeFor(upperCase(value.get<std::string>()), code)) return static_cast<uint32_t>(code);
    fail("key: expected a key code or a key as a settings file names it, got " + value.dump());
}

Vector3 readVector(const json& value, const char* what) {
    if (!value.is_array() || value.size() != 3) fail(std::string(what) + ": expected [x, y, z], got " + value.dump());
    return {jsonFloat(value[0]), jsonFloat(value[1]), jsonFloat(value[2])};
}

json vectorJson(Vector3 v) { return {floatJson(v.x), floatJson(v.y), floatJson(v.z)}; }

bool sameFloat(float a, float b) {
    return a == b ? std::signbit(a) == std::signbit(b) : std::isnan(a) && floatText(a) == floatText(b);
}

}  // namespace

Scenario parseScenario(const json& d) {
    Scenario s;
    if (!d.is_object()) fail("a scenario is a JSON object");
    s.name = d.value("name", std::string("scenario"));
    s.description = d.value("description", std::string());
    s.passes = d.value("passes", 0);
    if (s.passes <= 0) fail("\"passes\" must be a positive number");
    if (d.contains("ini_file"))
        fail("\"ini_file\" names a file in the scenario file's folder: load the scenario from its file");
    if (d.contains("ini")) {
        const json& ini = d["ini"];
        if (ini.is_array()) {
            std::string text;
            for (const json& line : ini) text += line.get<std::string>() + "\n";
            s.ini = text;
        } else {
            s.ini = ini.get<std::string>();
        }
    }
    if (d.contains("player")) s.player = readVector(d["player"].value("position", json::array({0, 0, 0})), "player.position");
    if (d.contains("weapon")) s.weapon = readHash(d["weapon"], "weapon");

    for (const json& o : d.value("objects", json::array())) {
        ScenarioObject object;
        object.id = o.at("id").get<std::string>();
        object.model = readHash(o.at("model"), "objects.model");
        object.position = readVector(o.at("position"), "objects.position");
        if (o.contains("velocity")) object.velocity = readVector(o["velocity"], "objects.velocity");
        object.ballistic = o.value("ballistic", true);
        object.attached = o.value("attached", false);
        s.objects.push_back(object);
    }
    for (const json& t : d.value("targets", json::array())) {
        ScenarioTarget target;
        target.id = t.at("id").get<std::string>();
        target.position = readVector(t.at("position"), "targets.position");
        if (t.contains("velocity")) target.velocity = readVector(t["velocity"], "targets.velocity");
        for (const json& b : t.value("bones", json::array()))
            target.bones.push_back({b.at("id").get<int32_t>(), readVector(b.at("offset"), "bones.offset")});
        target.boneListA = t.value("bone_list_a", false);
        target.positionOnly = t.value("position_only", false);
        s.targets.push_back(target);
    }
    static const char* const kActions[] = {"throw", "shoot",   "stop_shooting", "aim",  "weapon", "key_down",
                                           "key_up", "delete", "attach",        "move", "veto",   "no_weapon"};
    for (const json& e : d.value("events", json::array())) {
        ScenarioEvent event;
        event.pass = e.at("pass").get<int>();
        event.action = e.at("action").get<std::string>();
        if (std::find(std::begin(kActions), std::end(kActions), event.action) == std::end(kActions))
            fail("unknown action \"" + event.action + "\"");
        event.id = e.value("id", std::string());
        if (e.contains("weapon")) event.value = readHash(e["weapon"], "events.weapon");
        if (e.contains("key")) event.value = readKey(e["key"]);
        if (e.contains("on")) event.value = e["on"].get<bool>() ? 1 : 0;
        if (e.contains("position")) event.position = readVector(e["position"], "events.position");
        if (e.contains("velocity")) event.velocity = readVector(e["velocity"], "events.velocity");
        if (event.action == "throw") {
            auto it = std::find_if(s.objects.begin(), s.objects.end(),
                                   [&](const ScenarioObject& o) { return o.id == event.id; });
            if (it == s.objects.end()) fail("throw of unknown object \"" + event.id + "\"");
            it->thrownLater = true;
        }
        s.events.push_back(event);
    }
    std::stable_sort(s.events.begin(), s.events.end(),
                     [](const ScenarioEvent& a, const ScenarioEvent& b) { return a.pass < b.pass; });
    s.expect = d.value("expect", json::object());
    s.windowsOnly = d.value("windows_only", false);
    return s;
}

Scenario loadScenario(const std::string& path, json* documentOut) {
    namespace fs = std::filesystem;
    std::ifstream in(path);
    if (!in) fail("cannot open scenario " + path);
    json document;
    try {
        in >> document;
    } catch (const json::exception& e) {
        fail(path + ": " + e.what());
    }
    try {
        // A settings file is bytes, not text: JSON strings hold UTF-8 only,
        // so any other file (UTF-16, stray bytes) comes from a file of its own.
        std::optional<std::string> settings;
        if (document.is_object() && document.contains("ini_file")) {
            if (document.contains("ini")) fail("give \"ini\" or \"ini_file\", not both");
            const fs::path file = fs::path(path).parent_path() / document["ini_file"].get<std::string>();
            std::ifstream bytes(file, std::ios::binary);
            if (fs::is_regular_file(file) && bytes) settings = std::string(std::istreambuf_iterator<char>(bytes), {});
            if (!settings || bytes.bad()) fail("cannot read the settings file " + file.string());
            document.erase("ini_file");
        }
        Scenario scenario = parseScenario(document);
        if (settings) scenario.ini = settings;
        if (documentOut) *documentOut = std::move(document);
        return scenario;
    } catch (const std::exception& e) {
        fail(path + ": " + e.what());
    }
}

void prepareWorkingDirectory(const Scenario& scenario, const std::string& directory) {
    namespace fs = std::filesystem;
    fs::create_directories(directory);
    const fs::path ini = fs::path(directory) / "Veltrix.ini";
    std::error_code ignored;
    fs::remove(ini, ignored);
    if (scenario.ini) std::ofstream(ini, std::ios::binary) << *scenario.ini;
}

// ---- Playing ----------------------------------------------------------------------------------
namespace {
bool same(Vector3 a, Vector3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
}  // namespace

ScenarioPlayer::ScenarioPlayer(const Scenario& scenario, World& world, KeyFunction pressKey)
    : scenario_(scenario), world_(world), pressKey_(std::move(pressKey)) {
    trace_.scenario = scenario.name;
    world_.entity(world_.playerPed).position = scenario.player;
    world_.weapon = scenario.weapon;
    for (const ScenarioTarget& t : scenario.targets) {
        const int32_t h = world_.spawnTarget(t.position, t.bones, t.boneListA, t.positionOnly);
        world_.entity(h).velocity = t.velocity;
        handles_[t.id] = h;
    }
    for (const ScenarioObject& o : scenario.objects)
        if (!o.thrownLater) spawn(o);
}

void ScenarioPlayer::spawn(const ScenarioObject& o) {
    const int32_t h = world_.spawnObject(o.model, o.position, o.velocity, o.ballistic);
    world_.entity(h).attached = o.attached;
    handles_[o.id] = h;
}

int32_t ScenarioPlayer::handleOf(const std::string& id) const {
    auto it = handles_.find(id);
    return it == handles_.end() ? 0 : it->second;
}

void ScenarioPlayer::beforePass(int passNumber) {
    for (const ScenarioEvent& e : scenario_.events) {
        if (e.pass != passNumber) continue;
        if (e.action == "throw") {
            for (const ScenarioObject& o : scenario_.objects)
                if (o.id == e.id) {
                    ScenarioObject thrown = o;
                    if (e.position) thrown.position = *e.position;
                    if (e.velocity) thrown.velocity = *e.velocity;
                    spawn(thrown);
                }
        } else if (e.action == "shoot") {
            world_.shooting = true;
        } else if (e.action == "stop_shooting") {
            world_.shooting = false;
        } else if (e.action == "aim") {
            world_.aimedEntity = handleOf(e.id);
        } else if (e.action == "weapon") {
            world_.weapon = e.value;
            world_.weaponQueryAnswer = true;
        } else if (e.action == "no_weapon") {
            world_.weaponQueryAnswer = false;
        } else if (e.action == "veto") {
            world_.veto = e.value != 0;
        } else if (e.action == "key_down" || e.action == "key_up") {
            pressKey_(static_cast<int32_t>(e.value), e.action == "key_down");
        } else if (const int32_t h = handleOf(e.id)) {
            Entity& entity = world_.entity(h);
            if (e.action == "delete") world_.removeEntity(h);
            if (e.action == "attach") entity.attached = true;
            if (e.action == "move") {
                if (e.position) entity.position = *e.position;
                if (e.velocity) entity.velocity = *e.velocity;
            }
        }
    }
}

std::string ScenarioPlayer::modeOfNewCamera(int32_t handle, int passNumber) const {
    bool afterCreate = false;
    for (size_t k = callsSeen_; k < world_.calls.size(); ++k) {
        const NativeCall& c = world_.calls[k];
        if (c.pass != passNumber) continue;
        if (c.hash == hash::CreateCamera && static_cast<int32_t>(c.results[0]) == handle) afterCreate = true;
        if (!afterCreate) continue;
        if (c.hash == hash::NearClip) return "explosive";
        if (c.hash == hash::TimeScale) {
            if (slotFloat(c.args[0]) != 1.0f) break;
            // 1.0 is the thrown modes' start; the explosive one sets its lens right after.
            if (k + 1 < world_.calls.size() && world_.calls[k + 1].hash == hash::NearClip) return "explosive";
            return "blade";
        }
    }
    return world_.weapon == kBow || world_.weapon == kGatedBow ? "arrow" : "bullet";
}

void ScenarioPlayer::afterPass(int passNumber) {
    TraceRow row;
    row.pass = passNumber;
    row.timeScale = world_.timeScale;
    row.scriptedView = world_.scriptedView;

    for (const Camera& cam : world_.cameras) {
        const bool liveThisPass = cam.live || cam.destroyedPass == passNumber;
        if (!liveThisPass) continue;
        bool placed = false, queried = false;
        for (size_t k = callsSeen_; k < world_.calls.size(); ++k) {
            const NativeCall& c = world_.calls[k];
            if (c.args.empty() || static_cast<int32_t>(c.args[0]) != cam.handle) continue;
            placed |= c.hash == hash::SetCameraPosition;
            queried |= c.hash == hash::CameraPosition;
        }
        CameraSample sample;
        sample.handle = cam.handle;
        sample.position = cam.position;
        sample.lookAt = cam.pointAt;
        sample.fieldOfView = cam.fieldOfView;
        auto last = lastSample_.find(cam.handle);
        const bool held = last != lastSample_.end() && placed && same(last->second.position, cam.position) &&
                          same(last->second.lookAt, cam.pointAt);
        if (cam.createdPass == passNumber) {
            sample.phase = static_cast<char>(Phase::Start);
            CameraLife life;
            life.handle = cam.handle;
            life.mode = modeOfNewCamera(cam.handle, passNumber);
            life.created = passNumber;
            trace_.cameras.push_back(life);
        } else if (cam.destroyedPass == passNumber) {
            sample.phase = static_cast<char>(Phase::End);
        } else if (queried || held) {
            sample.phase = static_cast<char>(Phase::Linger);
        } else if (placed) {
            sample.phase = static_cast<char>(Phase::Follow);
        } else {
            sample.phase = static_cast<char>(Phase::Hold);
        }
        for (CameraLife& life : trace_.cameras) {
            if (life.handle != cam.handle || life.destroyed != -1) continue;
            if (sample.phase == 'f') ++life.followed;
            if (sample.phase == 'l') ++life.lingered;
            if (sample.phase == 'e') life.destroyed = passNumber;
        }
        lastSample_[cam.handle] = sample;
        row.cameras.push_back(sample);
    }
    for (const auto& [id, handle] : handles_) {
        const Entity& e = world_.entity(handle);
        if (e.exists) row.objects.push_back({id, e.position});
    }
    row.nativeCalls = static_cast<int>(world_.nativeCallCount - nativeCallsSeen_);
    for (size_t k = hostCallsSeen_; k < world_.hostCalls.size(); ++k) {
        row.snapshots += world_.hostCalls[k].kind == HostCallKind::GetAllObjects;
        row.waits += world_.hostCalls[k].kind == HostCallKind::Wait;
    }
    trace_.rows.push_back(row);
    callsSeen_ = world_.calls.size();
    hostCallsSeen_ = world_.hostCalls.size();
    nativeCallsSeen_ = world_.nativeCallCount;
}

void ScenarioPlayer::forgetLoggedCalls() {
    world_.calls.clear();
    callsSeen_ = 0;
}

Trace ScenarioPlayer::finish() {
    trace_.timeScaleCalls = world_.timeScaleHistory;
    trace_.protocolErrors = world_.errors;
    trace_.registers = trace_.unregisters = 0;
    for (const HostCall& c : world_.hostCalls) {
        if (c.kind == HostCallKind::Register) {
            ++trace_.registers;
            trace_.registeredModule = c.value;
        } else if (c.kind == HostCallKind::Unregister) {
            ++trace_.unregisters;
            trace_.unregisteredModule = c.value;
        }
    }
    return trace_;
}

// ---- Summaries and expectations ---------------------------------------------------------------
namespace {
std::string hexText(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}
}  // namespace

TraceSummary summarize(const Trace& trace) {
    TraceSummary s;
    s.camerasMade = static_cast<int>(trace.cameras.size());
    for (const CameraLife& life : trace.cameras) {
        if (life.destroyed != -1) ++s.camerasDestroyed;
        s.passesFollowed += life.followed;
        s.passesLingered += life.lingered;
    }
    for (const auto& [pass, value] : trace.timeScaleCalls) s.lowestTimeScale = std::min(s.lowestTimeScale, value);
    if (!trace.rows.empty()) s.finalTimeScale = trace.rows.back().timeScale;
    return s;
}

namespace {

// The expectations of a scenario against its trace, a group of them a
// function; each failure a readable line.
struct Expectations {
    const json& x;
    const Trace& trace;
    std::vector<std::string>& failures;

    void expectInt(const char* key, int actual) const {
        if (x.contains(key) && x[key].get<int>() != actual)
            failures.push_back(std::string(key) + ": expected " + x[key].dump() + ", got " + std::to_string(actual));
    }
    void expectFloat(const char* key, float actual) const {
        if (x.contains(key) && !sameFloat(jsonFloat(x[key]), actual))
            failures.push_back(std::string(key) + ": expected " + x[key].dump() + ", got " + floatText(actual));
    }

    void figures() const {
        const TraceSummary s = summarize(trace);
        expectInt("cameras_made", s.camerasMade);
        expectInt("cameras_destroyed", s.camerasDestroyed);
        expectInt("passes_followed", s.passesFollowed);
        expectInt("passes_lingered", s.passesLingered);
        expectFloat("lowest_time_scale", s.lowestTimeScale);
        expectFloat("final_time_scale", s.finalTimeScale);
        if (x.contains("live_at_end") && !trace.rows.empty()) {
            int live = 0;
            for (const CameraSample& c : trace.rows.back().cameras) live += c.phase != 'e';
            expectInt("live_at_end", live);
        }
    }

    void lives() const {
        if (x.contains("modes")) {
            std::vector<std::string> modes;
            for (const CameraLife& life : trace.cameras) modes.push_back(life.mode);
            if (json(modes) != x["modes"])
                failures.push_back("modes: expected " + x["modes"].dump() + ", got " + json(modes).dump());
        }
        if (x.contains("lives")) {
            json lives = json::array();
            for (const CameraLife& life : trace.cameras)
                lives.push_back({{"mode", life.mode}, {"created", life.created}, {"destroyed", life.destroyed}});
            if (lives != x["lives"])
                failures.push_back("lives: expected " + x["lives"].dump() + ", got " + lives.dump());
        }
    }

    void timeScaleChanges() const {
        if (x.contains("time_scale_changes")) {
            json changes = json::array(), wanted = json::array();
            float last = 0.0f;
            for (const auto& [pass, value] : trace.timeScaleCalls)
                if (changes.empty() || !sameFloat(last, value)) changes.push_back(floatJson(last = value));
            for (const json& v : x["time_scale_changes"]) wanted.push_back(floatJson(jsonFloat(v)));
            if (changes != wanted)
                failures.push_back("time_scale_changes: expected " + x["time_scale_changes"].dump() + ", got " +
                                   changes.dump());
        }
    }

    void atPasses() const {
        for (const json& at : x.value("at", json::array())) {
            const int pass = at.at("pass").get<int>();
            if (pass < 1 || static_cast<size_t>(pass) > trace.rows.size()) {
                failures.push_back("at: pass " + std::to_string(pass) + " was not run");
                continue;
            }
            const TraceRow& row = trace.rows[static_cast<size_t>(pass - 1)];
            int live = 0;
            for (const CameraSample& c : row.cameras) live += c.phase != 'e';
            if (at.contains("live_cameras") && at["live_cameras"].get<int>() != live)
                failures.push_back("at pass " + std::to_string(pass) + ": expected " + at["live_cameras"].dump() +
                                   " live cameras, got " + std::to_string(live));
            if (at.contains("time_scale") && !sameFloat(jsonFloat(at["time_scale"]), row.timeScale))
                failures.push_back("at pass " + std::to_string(pass) + ": expected time scale " + at["time_scale"].dump() +
                                   ", got " + floatText(row.timeScale));
            if (at.contains("scripted_view") && at["scripted_view"].get<bool>() != row.scriptedView)
                failures.push_back("at pass " + std::to_string(pass) + ": expected scripted view " +
                                   at["scripted_view"].dump());
            if (at.contains("native_calls") && at["native_calls"].get<int>() != row.nativeCalls)
                failures.push_back("at pass " + std::to_string(pass) + ": expected " + at["native_calls"].dump() +
                                   " native calls, got " + std::to_string(row.nativeCalls));
        }
    }

    void timeScaleCalls() const {
        if (x.contains("time_scale_calls")) {
            // Every call, with its pass: also shows a mode that ends without one.
            json calls = json::array();
            for (const auto& [pass, value] : trace.timeScaleCalls) calls.push_back({pass, floatJson(value)});
            json wanted = json::array();
            for (const json& c : x["time_scale_calls"]) wanted.push_back({c.at(0).get<int>(), floatJson(jsonFloat(c.at(1)))});
            if (calls != wanted)
                failures.push_back("time_scale_calls: expected " + x["time_scale_calls"].dump() + ", got " + calls.dump());
        }
    }

    void switchedOff() const {
        if (x.contains("switched_off")) {
            // Listed pass ranges are switched off: the pass only yields. Every other
            // pass is switched on: one world snapshot, then one yield.
            std::vector<bool> off(trace.rows.size(), false);
            for (const json& range : x["switched_off"]) {
                const int from = range.at(0).get<int>(), to = range.at(1).get<int>();
                for (int p = std::max(from, 1); p <= to && static_cast<size_t>(p) <= off.size(); ++p)
                    off[static_cast<size_t>(p - 1)] = true;
            }
            std::vector<std::string> wrong;
            for (size_t i = 0; i < trace.rows.size(); ++i) {
                const TraceRow& r = trace.rows[i];
                const bool ok = off[i] ? r.snapshots == 0 && r.nativeCalls == 0 && r.waits == 1
                                       : r.snapshots == 1 && r.waits == 1;
                if (!ok)
                    wrong.push_back("pass " + std::to_string(r.pass) + (off[i] ? " (off)" : " (on)") + ": " +
                                    std::to_string(r.snapshots) + " snapshots, " + std::to_string(r.nativeCalls) +
                                    " natives, " + std::to_string(r.waits) + " waits");
            }
            if (!wrong.empty()) {
                std::string shown;
                for (size_t i = 0; i < wrong.size() && i < 5; ++i) shown += (i ? "; " : "") + wrong[i];
                if (wrong.size() > 5) shown += "; ... " + std::to_string(wrong.size()) + " passes in all";
                failures.push_back("switched_off " + x["switched_off"].dump() + ": " + shown);
            }
        }
    }

    void registration() const {
        if (x.contains("registration")) {
            const json& reg = x["registration"];
            if (reg.contains("registers") && reg["registers"].get<int>() != trace.registers)
                failures.push_back("registration: expected " + reg["registers"].dump() + " scriptRegister calls, got " +
                                   std::to_string(trace.registers));
            if (reg.contains("unregisters") && reg["unregisters"].get<int>() != trace.unregisters)
                failures.push_back("registration: expected " + reg["unregisters"].dump() +
                                   " scriptUnregister calls, got " + std::to_string(trace.unregisters));
            if (reg.value("same_module", false) &&
                (trace.registeredModule == 0 || trace.registeredModule != trace.unregisteredModule))
                failures.push_back("registration: scriptUnregister was given module " +
                                   hexText(trace.unregisteredModule) + ", scriptRegister " +
                                   hexText(trace.registeredModule));
        }
    }

    void printed(const std::string& output) const {
        if (x.contains("output")) {
            // Printed bytes, each as the code point of its value (run.json's way).
            json lines = json::array();
            std::istringstream in(output);
            for (std::string line; std::getline(in, line);) {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                lines.push_back(latin1(line));
            }
            if (lines != x["output"])
                failures.push_back("output: expected " + x["output"].dump() + ", got " + lines.dump());
        }
    }
};

}  // namespace

std::vector<std::string> checkExpectations(const Scenario& scenario, const Trace& trace, const std::string& output) {
    std::vector<std::string> failures = trace.protocolErrors;
    const Expectations e{scenario.expect, trace, failures};
    e.figures();
    e.lives();
    e.timeScaleChanges();
    e.atPasses();
    e.timeScaleCalls();
    e.switchedOff();
    e.registration();
    e.printed(output);
    return failures;
}

// ---- Trace files --------------------------------------------------------------------------------
json cameraLivesJson(const Trace& t) {
    json lives = json::array();
    for (const CameraLife& l : t.cameras)
        lives.push_back({{"handle", l.handle}, {"mode", l.mode}, {"created", l.created}, {"destroyed", l.destroyed},
                         {"followed", l.followed}, {"lingered", l.lingered}});
    return lives;
}

json timeScaleCallsJson(const Trace& t) {
    json calls = json::array();
    for (const auto& [pass, value] : t.timeScaleCalls) calls.push_back({pass, floatJson(value)});
    return calls;
}

json traceToJson(const Trace& t) {
    json rows = json::array();
    for (const TraceRow& r : t.rows) {
        json cams = json::array();
        for (const CameraSample& c : r.cameras)
            cams.push_back({{"handle", c.handle},
                            {"position", vectorJson(c.position)},
                            {"look", vectorJson(c.lookAt)},
                            {"phase", std::string(1, c.phase)},
                            {"fov", floatJson(c.fieldOfView)}});
        json objs = json::array();
        for (const ObjectSample& o : r.objects)
            objs.push_back({{"id", o.id}, {"position", vectorJson(o.position)}});
        rows.push_back({{"pass", r.pass}, {"time_scale", floatJson(r.timeScale)}, {"scripted_view", r.scriptedView},
                        {"cameras", cams}, {"objects", objs}, {"native_calls", r.nativeCalls},
                        {"snapshots", r.snapshots}, {"waits", r.waits}});
    }
    return {{"scenario", t.scenario},
            {"rows", rows},
            {"cameras", cameraLivesJson(t)},
            {"time_scale_calls", timeScaleCallsJson(t)},
            {"protocol_errors", t.protocolErrors},
            {"registers", t.registers},
            {"unregisters", t.unregisters},
            {"registered_module", t.registeredModule},
            {"unregistered_module", t.unregisteredModule}};
}

Trace traceFromJson(const json& d) {
    Trace t;
    t.scenario = d.at("scenario").get<std::string>();
    for (const json& r : d.at("rows")) {
        TraceRow row;
        row.pass = r.at("pass").get<int>();
        row.timeScale = jsonFloat(r.at("time_scale"));
        row.scriptedView = r.at("scripted_view").get<bool>();
        for (const json& c : r.at("cameras"))
            row.cameras.push_back({c.at("handle").get<int32_t>(), readVector(c.at("position"), "position"),
                                   readVector(c.at("look"), "look"), c.at("phase").get<std::string>().at(0),
                                   jsonFloat(c.value("fov", json(0.0f)))});
        for (const json& o : r.at("objects"))
            row.objects.push_back({o.at("id").get<std::string>(), readVector(o.at("position"), "position")});
        row.nativeCalls = r.value("native_calls", 0);
        row.snapshots = r.value("snapshots", 0);
        row.waits = r.value("waits", 0);
        t.rows.push_back(row);
    }
    for (const json& l : d.at("cameras"))
        t.cameras.push_back({l.at("handle").get<int32_t>(), l.at("mode").get<std::string>(), l.at("created").get<int>(),
                             l.at("destroyed").get<int>(), l.at("followed").get<int>(), l.at("lingered").get<int>()});
    for (const json& c : d.at("time_scale_calls")) t.timeScaleCalls.emplace_back(c.at(0).get<int>(), jsonFloat(c.at(1)));
    t.protocolErrors = d.at("protocol_errors").get<std::vector<std::string>>();
    t.registers = d.value("registers", 0);
    t.unregisters = d.value("unregisters", 0);
    t.registeredModule = d.value("registered_module", uint64_t{0});
    t.unregisteredModule = d.value("unregistered_module", uint64_t{0});
    return t;
}

void writeTraceCsv(const Trace& t, const std::string& path) {
    std::ofstream out(path);
    std::vector<int32_t> cams;
    for (const CameraLife& l : t.cameras) cams.push_back(l.handle);
    std::vector<std::string> objects;
    for (const TraceRow& r : t.rows)
        for (const ObjectSample& o : r.objects)
            if (std::find(objects.begin(), objects.end(), o.id) == objects.end()) objects.push_back(o.id);

    out << "pass,time_scale,scripted_view";
    for (int32_t h : cams) {
        const std::string c = "camera" + std::to_string(h);
        out << ',' << c << "_x," << c << "_y," << c << "_z," << c << "_look_x," << c << "_look_y," << c << "_look_z,"
            << c << "_phase";
    }
    for (const std::string& id : objects) out << ',' << id << "_x," << id << "_y," << id << "_z";
    out << '\n';
    auto put = [&](float v) { out << ',' << floatText(v); };
    for (const TraceRow& r : t.rows) {
        out << r.pass;
        put(r.timeScale);
        out << ',' << (r.scriptedView ? 1 : 0);
        for (int32_t h : cams) {
            auto it = std::find_if(r.cameras.begin(), r.cameras.end(), [&](const CameraSample& c) { return c.handle == h; });
            if (it == r.cameras.end()) {
                out << ",,,,,,,";
                continue;
            }
            put(it->position.x), put(it->position.y), put(it->position.z);
            put(it->lookAt.x), put(it->lookAt.y), put(it->lookAt.z);
            out << ',' << it->phase;
        }
        for (const std::string& id : objects) {
            auto it = std::find_if(r.objects.begin(), r.objects.end(), [&](const ObjectSample& o) { return o.id == id; });
            if (it == r.objects.end()) {
                out << ",,,";
                continue;
            }
            put(it->position.x), put(it->position.y), put(it->position.z);
        }
        out << '\n';
    }
}

}  // namespace sim
