// The session the page's module holds: the bundled scenarios, the file as it
// is and as loaded, the queue of replays; and the operations the page asks
// for by name (the custom shot among them), each one's glue between a
// request and the tuner.
#include "tuner.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <vector>

#include "cameras/explosive_camera.h"
#include "cameras/hash_set.h"
#include "run_in_process.h"
#include "settings_report.h"

namespace tuner {

using nlohmann::json;

namespace {

// One scenario played through the plug-in's core with `file` as its settings
// file, to the end of its last camera, as a replay blob.
std::string replay(const Session& session, const sim::Scenario& scenario, const std::string& file) {
    sim::Scenario s = scenario;
    s.ini = file;
    try {
        const sim::InProcessResult run = sim::runInProcess(s, session.workDirectory, {}, true);
        return encodeReplay(s, run.trace, run.output, {{"cutShort", run.cutShort}});
    } catch (const std::exception& e) {
        // The page says so on the scenario's card; the other scenarios play on.
        return envelope({{"name", s.name}, {"error", e.what()}});
    }
}

// ---- A shot of the modder's own -------------------------------------------------------------
struct Shot {
    uint32_t hash;
    std::string kind;
    double distance, height, speed;
    // The line of fire runs along +x; a target below the player has the
    // player stand that much higher, so that thrown things land at its feet.
    double playerZ() const { return height < 0 ? -height : 0; }
    double targetZ() const { return height < 0 ? 0 : height; }
    bool fired() const { return kind == "gun" || kind == "bow"; }
};

std::string description(const Shot& s) {
    char text[256];
    std::snprintf(text, sizeof text, "The %s %s at a target %.0f m away, %.0f m %s the player, moving %.1f m/s "
                  "across the line of %s.", tools::nameWithHash(s.hash).c_str(), s.fired() ? "fired" : "thrown",
                  s.distance, std::fabs(s.height), s.height < 0 ? "below" : "above", s.speed,
                  s.fired() ? "fire" : "the throw");
    return std::string(text) + (s.fired() ? " Aimed from pass 5, fired in pass 10." : " Thrown in pass 10.");
}

// Thrown from the hand at the target's chest where it will be on arrival:
// knives and tomahawks at 15 m/s along the ground, the rest at 10.
void stageThrow(const Shot& shot, json& s) {
    const double along = shot.kind == "knife" || shot.kind == "tomahawk" ? 15 : 10;
    const double hand[3] = {0.4, 0.3, shot.playerZ() + 1.6};
    const double flight = std::max(0.3, shot.distance / along);
    const double aim[3] = {shot.distance, shot.speed * flight, shot.targetZ() + 1.0};
    const sim::World world;  // its gravity and frame time
    const double velocity[3] = {(aim[0] - hand[0]) / flight, (aim[1] - hand[1]) / flight,
                                (aim[2] - hand[2] + 0.5 * world.gravity * flight * flight) / flight};
    s["objects"] = {{{"id", shot.kind},
                     {"model", tools::hashText(shot.hash)},
                     {"position", {hand[0], hand[1], hand[2]}},
                     {"velocity", {velocity[0], velocity[1], velocity[2]}}}};
    const int flightPasses = static_cast<int>(std::ceil(flight / world.frameTime));
    json events = {{{"pass", 10}, {"action", "throw"}, {"id", shot.kind}}};
    // Dynamite goes off and a fire bottle breaks a moment after it lands.
    if (shot.kind == "dynamite" || inSet(kAnySpeedModels, shot.hash))
        events.push_back({{"pass", 10 + flightPasses + 90}, {"action", "delete"}, {"id", shot.kind}});
    s["events"] = events;
    s["passes"] = 10 + flightPasses + 120;
}

// A modder's own shot or throw as a scenario of one event.
// `params`: {"weapon": hash of a weapon or throwable model of the tables
// ("0x99A23408"), "distance": metres (2 to 150), "height": metres above the
// player (-30 to 30), "speed": the target's speed across the line of fire
// (m/s, -20 to 20)}; values outside are brought within. Throws
// std::runtime_error for an unknown weapon.
sim::Scenario customShot(const json& params) {
    const uint32_t hash = static_cast<uint32_t>(std::stoul(params.at("weapon").get<std::string>(), nullptr, 16));
    const std::vector<tools::Weapon>& weapons = tools::pluginWeapons();
    const auto weapon = std::find_if(weapons.begin(), weapons.end(), [&](const auto& w) { return w.hash == hash; });
    if (weapon == weapons.end())
        throw std::runtime_error("no weapon or throwable of the plug-in's tables has the hash " +
                                 tools::hashText(hash));
    auto within = [&](const char* name, double fallback, double lo, double hi) {
        const double v = params.value(name, fallback);
        return std::isfinite(v) ? std::clamp(v, lo, hi) : lo;
    };
    const Shot shot{hash, weapon->kind, within("distance", 25.0, 2, 150), within("height", 0.0, -30, 30),
                    within("speed", 0.0, -20, 20)};
    json s = {{"name", "custom"}, {"description", description(shot)}, {"player", {{"position", {0, 0, shot.playerZ()}}}}};
    s["targets"] = {{{"id", "target"},
                     {"position", {shot.distance, 0, shot.targetZ()}},
                     {"velocity", {0, shot.speed, 0}},
                     {"bones", {{{"id", 38713}, {"offset", {0.0, 0.0, 0.9}}}, {{"id", 14285}, {"offset", {0.3, 0.0, 1.5}}}}}}};
    if (shot.fired()) {
        s["weapon"] = tools::hashText(hash);
        s["events"] = {{{"pass", 5}, {"action", "aim"}, {"id", "target"}},
                       {{"pass", 10}, {"action", "shoot"}},
                       {{"pass", 11}, {"action", "stop_shooting"}}};
        s["passes"] = 60;
    } else {
        stageThrow(shot, s);
    }
    return sim::parseScenario(s);
}

// ---- The operations --------------------------------------------------------------------------
std::string problem(const std::string& text) { return envelope({{"problem", text}}); }

// What the page builds itself from: the settings (key, section, kind and
// default, as the plug-in holds it with no file), the bundled scenarios, the
// weapons and throwables of the plug-in's tables with their names as the
// tools write them, and the keys a toggle key can be.
std::string start(Session& session, const json&, const std::string&) {
    json settings = json::array();
    for (const json& s : settingsOf(analysed("")))
        settings.push_back({{"key", s["key"]}, {"section", s["section"]}, {"kind", s["kind"]}, {"default", s["text"]}});
    json scenarios = json::array();
    for (const auto& [key, s] : session.bundled) scenarios.push_back({{"key", key}, {"name", s.name}});
    json weapons = json::array();
    for (const tools::Weapon& w : tools::pluginWeapons())
        weapons.push_back({{"hash", tools::hashText(w.hash)}, {"kind", w.kind}, {"name", tools::nameWithHash(w.hash)},
                           {"gate", w.gate ? json(w.gate->key) : json(nullptr)}});
    json keys = json::array();
    for (int32_t code = 1; code <= 254; ++code) {
        const std::string name = tools::keyName(code);
        if (!name.empty()) keys.push_back({{"code", code}, {"name", name}});
    }
    return envelope({{"settings", settings}, {"scenarios", scenarios}, {"weapons", weapons}, {"keys", keys}});
}

// The file changes: to the bytes given (args {load: true}: a file opened,
// whose replays are drawn faintly behind later ones), or by args.edit on the
// file as it is (applyEdit). Answers the analysis, with the lines args.lines
// {from, to} (the page the file is shown at) and the edited file's bytes;
// every scenario's replay streams after.
std::string change(Session& session, const json& args, const std::string& bytes) {
    std::string file = bytes, why;
    const bool edit = args.contains("edit");
    if (edit && !applyEdit(session.current.file, args["edit"], file, why)) return problem(why);
    const bool load = args.value("load", false);
    // Only the first module's answer is shown: the others need only the file.
    session.current = session.share == 0 ? analysed(std::move(file)) : Analysed{std::move(file), {}, {}};
    if (load) {
        session.loaded = session.current.file;
        session.sent.clear();
    }
    std::vector<Pending> replays;
    for (const auto& scenario : session.bundled) replays.push_back({scenario.first, true, load});
    if (session.custom) replays.push_back({"custom", true, load});
    session.queue(replays, load);
    if (session.share != 0) return envelope(json::object());
    json answer = summaryOf(session.current);
    answer["analysis"] = ++session.analysis;
    answer["edited"] = edit;
    if (args.contains("lines"))
        answer["lines"] = linesOf(session.current, args["lines"].at("from").get<int>(), args["lines"].at("to").get<int>());
    return envelope(answer, edit ? session.current.file : std::string());
}

// The custom shot (customShot) staged; its replays, with the file as it is
// and as loaded, stream after.
std::string stage(Session& session, const json& args, const std::string&) {
    try {
        session.custom = customShot(args);
    } catch (const std::exception& e) {
        return problem(std::string("the shot cannot be staged: ") + e.what());
    }
    session.sent.erase("custom");
    const bool asLoaded = session.current.file == session.loaded;
    // As loaded first: the card is drawn when its replay with the file as it is comes.
    std::vector<Pending> replays;
    if (!asLoaded) replays.push_back({"custom", false, true});
    replays.push_back({"custom", true, asLoaded});
    session.queue(replays, false);
    return envelope({{"description", session.custom->description}});
}

// Lines args.from to args.to of the latest change's file; {stale} for an older one.
std::string lines(Session& session, const json& args, const std::string&) {
    if (args.at("analysis").get<int>() != session.analysis) return envelope({{"stale", true}});
    return envelope(linesOf(session.current, args.at("from").get<int>(), args.at("to").get<int>()));
}

// The settings of the file given (the shipped one, say), as the plug-in reads them.
std::string settings(Session&, const json&, const std::string& bytes) {
    return envelope({{"settings", settingsOf(analysed(bytes))}});
}

// One scenario (args.scenario: a bundled one's key, "custom", or a scenario
// document of its own) with the file given: its replay blob alone.
std::string replayOne(Session& session, const json& args, const std::string& bytes) {
    const json& which = args.at("scenario");
    if (which.is_object()) return replay(session, sim::parseScenario(which), bytes);
    const sim::Scenario* scenario = session.scenario(which.get<std::string>());
    if (!scenario) return problem("no scenario " + which.dump());
    return replay(session, *scenario, bytes);
}

// This module's share of the replays (Session::share): args.of, args.index.
std::string share(Session& session, const json& args, const std::string&) {
    session.shares = std::max<size_t>(1, args.at("of").get<size_t>());
    session.share = args.at("index").get<size_t>() % session.shares;
    return envelope(json::object());
}

using Operation = std::string (*)(Session&, const json&, const std::string&);
const std::map<std::string, Operation, std::less<>> kOperations = {
    {"start", start}, {"change", change}, {"stage", stage}, {"lines", lines}, {"settings", settings},
    {"replay", replayOne}, {"share", share},
};

}  // namespace

// ---- The session ---------------------------------------------------------------------------
Session::Session(std::string directory) : workDirectory(std::move(directory)), current(analysed("")) {
    for (size_t k = 0; k < kBundledScenarioCount; ++k) {
        std::string key = kBundledScenarios[k].file;
        key = key.substr(0, key.rfind(".json"));
        bundled.emplace_back(key, sim::parseScenario(json::parse(kBundledScenarios[k].json)));
    }
}

const sim::Scenario* Session::scenario(const std::string& key) const {
    if (key == "custom") return custom ? &*custom : nullptr;
    for (const auto& [name, s] : bundled)
        if (name == key) return &s;
    return nullptr;
}

void Session::queue(std::vector<Pending> next, bool every) {
    if (every) stream.clear();
    // A scenario's place: a bundled one's, the custom shot's after them.
    auto place = [&](const std::string& key) {
        size_t k = 0;
        while (k < bundled.size() && bundled[k].first != key) ++k;
        return k;
    };
    next.erase(std::remove_if(next.begin(), next.end(), [&](const Pending& p) { return place(p.key) % shares != share; }),
               next.end());
    std::stable_partition(next.begin(), next.end(), [&](const Pending& p) { return moved.count(p.key) > 0; });
    // A replay still queued keeps its place: it plays the file as it is when
    // its turn comes. So while changes come quickly, every scenario still
    // gets its turn.
    for (const Pending& n : next) {
        const auto found = std::find_if(stream.begin(), stream.end(),
                                        [&](const Pending& p) { return p.key == n.key && p.current == n.current; });
        if (found == stream.end())
            stream.push_back(n);
        else
            found->asLoaded = found->asLoaded || n.asLoaded;
    }
}

std::string next(Session& session) {
    while (!session.stream.empty()) {
        const Pending p = session.stream.front();
        session.stream.pop_front();
        const sim::Scenario* scenario = session.scenario(p.key);
        if (!scenario) continue;
        std::string blob = replay(session, *scenario, p.current ? session.current.file : session.loaded);
        if (p.current) {
            std::string& sent = session.sent[p.key];
            const bool same = blob == sent;
            if (same) session.moved.erase(p.key);
            else session.moved.insert(p.key);
            if (same && !p.asLoaded) continue;
            sent = blob;
        }
        return envelope({{"key", p.key}, {"current", p.current}, {"asLoaded", p.asLoaded}}, blob);
    }
    return {};
}

std::string call(Session& session, std::string_view op, const json& args, const std::string& bytes) {
    const auto found = kOperations.find(op);
    if (found == kOperations.end()) return problem("no operation " + std::string(op));
    try {
        return found->second(session, args, bytes);
    } catch (const std::exception& e) {
        return problem("internal: " + std::string(op) + ": " + e.what());
    }
}

}  // namespace tuner
