// The tuner's core as the page's module holds it (and natively, for the
// tests): state that outlives a request, and the one request path into it.
// The page names an operation (the table in operations.cpp) with JSON
// arguments and the bytes it carries; every answer is an envelope
// (replay_blob.h). An operation that changes the file queues replays, which
// stream back one answer each.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "file_analysis.h"
#include "scenario.h"

namespace tuner {

// A replay still to stream: the scenario (a bundled one's key, or
// "custom"), played with the file as it is now (`current`) or as it was
// loaded; `asLoaded`: the file so played is the loaded one, drawn faintly
// behind later replays.
struct Pending {
    std::string key;
    bool current;
    bool asLoaded;
};

struct Session {
    explicit Session(std::string workDirectory);

    std::string workDirectory;  // where a replay's plug-in finds Veltrix.ini
    std::vector<std::pair<std::string, sim::Scenario>> bundled;  // key, parsed once
    std::optional<sim::Scenario> custom;
    Analysed current;           // the file as it is now, with its record
    int analysis = 0;           // counts the changes: the page asks for lines of the latest
    std::string loaded;         // the file as loaded
    std::map<std::string, std::string> sent;  // each scenario's last replay streamed with the current file
    std::set<std::string> moved;              // the scenarios whose last replay differed from the one before
    std::deque<Pending> stream;
    // The page may hold several modules, each replaying its share of the
    // scenarios (every `shares`th, from the `share`th): all get every request.
    size_t share = 0, shares = 1;

    const sim::Scenario* scenario(const std::string& key) const;
    // Queues `next` (those of this module's share), each but where the same
    // scenario with the same file is queued already (`every`: in place of
    // everything queued). The scenarios that the last change moved come
    // first: the change after it most likely moves them again, and they are
    // drawn while the others replay.
    void queue(std::vector<Pending> next, bool every);
};

// One request: `op` by name (operations.cpp), its arguments and bytes. The
// answer is an envelope; {"problem"} in its header when the operation cannot
// be done (or failed: no exception leaves). Replays it queued come from `next`.
std::string call(Session& session, std::string_view op, const nlohmann::json& args, const std::string& bytes);

// The next queued replay as an envelope: header {key, current, asLoaded},
// then the replay's blob. A replay with the current file that is the same as
// the last one streamed is passed over (the page has it). Empty when none is left.
std::string next(Session& session);

// One scenario played through the plug-in's core with `file` as its settings
// file, to the end of its last camera, as a replay blob.
std::string replay(const Session& session, const sim::Scenario& scenario, const std::string& file);

// ---- What the operations are made of -------------------------------------------------------
// One edit of a settings file as the page asks for it (setting_edit.cpp),
// rewriting only what it must, so that every other byte of the file stays:
// {key, value} or {key, number} (a slider's) changes a setting through the
// line that the plug-in's own reads say decides it, or adds one under its
// section; {line, text} makes line `line`'s content `text`, its line end
// kept; {addLine: true} adds an empty line at the end. A number's value is
// any text to write ("-1", "inf", "5e-2"), a switch's "1" or "0", the toggle
// key's its virtual-key code in decimal. False, with the reason, when it
// cannot be made.
bool applyEdit(const std::string& file, const nlohmann::json& edit, std::string& edited, std::string& problem);

// A modder's own shot or throw, staged as a scenario of one event
// (custom_shot.cpp). `params`: {"weapon": hash of a weapon or throwable model
// of the tables ("0x99A23408"), "distance": metres (2 to 150), "height":
// metres above the player (-30 to 30), "speed": the target's speed across the
// line of fire (m/s, -20 to 20)}; values outside are brought within. Throws
// std::runtime_error, with the reason, for an unknown weapon.
sim::Scenario customShot(const nlohmann::json& params);

// The scenarios the page carries: every file of scenarios/, as text,
// generated at build time by cmake/bundled_scenarios.cmake.
struct BundledScenario {
    const char* file;
    const char* json;
};
extern const BundledScenario kBundledScenarios[];
extern const size_t kBundledScenarioCount;

}  // namespace tuner
