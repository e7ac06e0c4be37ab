#include "tuner.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "cameras/explosive_camera.h"
#include "cameras/hash_set.h"
#include "game_names.h"
#include "world.h"

namespace tuner {

using nlohmann::json;

namespace {

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

}  // namespace

sim::Scenario customShot(const json& params) {
    const uint32_t hash = static_cast<uint32_t>(std::stoul(params.at("weapon").get<std::string>(), nullptr, 16));
    const tools::Weapon* weapon = tools::findWeapon(hash);
    if (!weapon)
        throw std::runtime_error("no weapon or throwable of the plug-in's tables has the hash " + tools::hashText(hash));
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

}  // namespace tuner
