// The settings tuner's core, as the page's WebAssembly module holds it (and
// natively, for the tools and tests). The page names an operation (the table
// in session.cpp) with JSON arguments and the bytes it carries; every answer
// is an envelope. An operation that changes the file queues replays, which
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

#include "scenario.h"
#include "settings_report.h"

namespace tuner {

// ---- The settings file as the page sees it (file.cpp) ----------------------------------------
// A line of a file as the plug-in cuts it: content [start, end), and where
// the next line starts (past the line feed and a folded carriage return).
struct Span {
    size_t start, end, next;
};

// A file with ini-check's record of it, kept while the page may ask for its lines.
struct Analysed {
    std::string file;
    tools::IniReport report;
    std::vector<Span> spans;
};
Analysed analysed(std::string file);

// What the page shows at once: size, lineCount, the settings, the warnings
// and the printed lines (the first few hundred of each, with their counts),
// and what the numbers mean in the game.
nlohmann::json summaryOf(const Analysed& a);
// The fourteen settings as the plug-in reads them, each {key, section, kind,
// text (as the plug-in holds it), line (that decides it), fromDefault,
// sameAsDefault, written (that line's value as shown), and code and name, on,
// or number by kind}.
nlohmann::json settingsOf(const Analysed& a);
// Lines from..to (1-based, inclusive), each {n, start, end, text (as the tools
// show bytes, cut short past a few hundred characters), notes}, and the
// warnings on them.
nlohmann::json linesOf(const Analysed& a, int from, int to);

// One edit as the page asks for it, rewriting only what it must: {key, value}
// or {key, number} (a slider's) through the line that the plug-in's reads say
// decides the setting, else a line added under its section (a number's value
// is any text, a switch's "1" or "0", the toggle key's its code in decimal);
// {line, text}: that line's content, its line end kept; {addLine: true}: an
// empty line at the end. False, with the reason, when it cannot be made.
bool applyEdit(const std::string& file, const nlohmann::json& edit, std::string& edited, std::string& problem);

// ---- Replays (replay_format.cpp) and the session (session.cpp) ---------------------------------
// Replays are also the runs veltrix-sim records.
// One answer of the module (and a replay is one): the length of a JSON header
// (4 bytes, little endian), the header, zeros to a multiple of 4, then
// `bytes`, which so start 4-aligned for the page's Float32Array.
std::string envelope(const nlohmann::json& header, std::string_view bytes = {});

// A trace as a replay: `header` with the scenario's and the trace's figures
// added (name, description, passes, played, player, launchBone, objects,
// lives, timeScaleCalls, protocolErrors, output as the tools show it,
// outputBytes), then the passes as 32-bit floats, each:
//   time scale, scripted view (0 or 1), native calls, camera count, then per
//   live camera: handle, position x y z, look point x y z, phase (its letter's
//   code), field of view (0: left to the host); object count, then per object
//   that the scenario names: its index in the header's "objects", position x y z.
std::string encodeReplay(const sim::Scenario& scenario, const sim::Trace& trace, const std::string& output,
                         nlohmann::json header);

// Every file of scenarios/, as text (cmake/bundled_scenarios.cmake).
struct BundledScenario {
    const char* file;
    const char* json;
};
extern const BundledScenario kBundledScenarios[];
extern const size_t kBundledScenarioCount;

// A replay still to stream: the scenario (a bundled one's key, or "custom"),
// played with the file as it is now (`current`) or as loaded; `asLoaded`: the
// file so played is the loaded one, drawn faintly behind later replays.
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

// One request: `op` by name, its arguments and bytes. The answer is an
// envelope; {"problem"} in its header when the operation cannot be done (or
// failed: no exception leaves). Replays it queued come from `next`.
std::string call(Session& session, std::string_view op, const nlohmann::json& args, const std::string& bytes);

// The next queued replay as an envelope: header {key, current, asLoaded},
// then the replay's blob. A replay with the current file that is the same as
// the last one streamed is passed over (the page has it). Empty when none is left.
std::string next(Session& session);

}  // namespace tuner
