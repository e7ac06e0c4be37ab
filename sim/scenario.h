// Scenarios: a world, events by pass and expectations, read from JSON, played
// against the plug-in pass by pass; and the trace of what the plug-in did.
//
// Portable: the Linux tools run the plug-in's core in-process, and the Windows
// driver runs the real plug-in under the stand-in host; both use this code.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "exact_json.h"
#include "world.h"

namespace sim {

struct ScenarioObject {
    std::string id;
    uint32_t model = 0;
    Vector3 position = {0, 0, 0};
    Vector3 velocity = {0, 0, 0};
    bool ballistic = true;
    bool attached = false;
    bool thrownLater = false;  // appears with a "throw" event, not at the start
};

struct ScenarioTarget {
    std::string id;
    Vector3 position = {0, 0, 0};
    Vector3 velocity = {0, 0, 0};
    std::vector<Bone> bones;
    bool boneListA = false;
    bool positionOnly = false;
};

// One action at the start of a pass (before the plug-in runs it).
struct ScenarioEvent {
    int pass = 0;
    std::string action;  // throw, shoot, stop_shooting, aim, weapon, key_down, key_up, delete, attach, move, veto
    std::string id;      // object or target the action concerns
    uint32_t value = 0;  // weapon hash or key code
    std::optional<Vector3> position;
    std::optional<Vector3> velocity;
};

struct Scenario {
    std::string name;
    std::string description;
    int passes = 0;
    std::optional<std::string> ini;  // contents of "Veltrix.ini", byte for byte; none: no file
    Vector3 player = {0, 0, 0};
    uint32_t weapon = 0;
    std::vector<ScenarioObject> objects;
    std::vector<ScenarioTarget> targets;
    std::vector<ScenarioEvent> events;
    nlohmann::json expect = nlohmann::json::object();
    // Checks what only a real load of the plug-in library shows (its
    // registration with the host), so in-process runners skip it.
    bool windowsOnly = false;
};

// Throws std::runtime_error with a readable message on a malformed scenario.
//
// The settings file comes from one of two fields, or is absent: "ini", its
// text as a string or an array of lines (each ended with a line feed), or
// "ini_file", the name of a file in the scenario file's folder, read byte for
// byte. JSON strings hold only UTF-8, so a file in any other encoding (a
// UTF-16 one, stray bytes) travels as "ini_file"; only loadScenario reads it.
Scenario parseScenario(const nlohmann::json& document);
// `document`, when given, gets the file's JSON without "ini_file".
Scenario loadScenario(const std::string& path, nlohmann::json* document = nullptr);

// ---- Trace -----------------------------------------------------------------------------------
enum class Phase : char { Start = 's', Follow = 'f', Linger = 'l', Hold = 'h', End = 'e' };

struct CameraSample {
    int32_t handle = 0;
    Vector3 position = {0, 0, 0};
    Vector3 lookAt = {0, 0, 0};
    char phase = 'h';
    float fieldOfView = 0.0f;  // as the plug-in set it; 0: left to the host
};

struct ObjectSample {
    std::string id;
    Vector3 position = {0, 0, 0};
};

struct TraceRow {
    int pass = 0;
    float timeScale = 1.0f;
    bool scriptedView = false;
    std::vector<CameraSample> cameras;  // every camera live during the pass
    std::vector<ObjectSample> objects;  // every scenario object and target that exists
    // Host traffic of the pass: native calls, world snapshots, scriptWait calls.
    int nativeCalls = 0;
    int snapshots = 0;
    int waits = 0;
};

struct CameraLife {
    int32_t handle = 0;
    std::string mode;  // blade, explosive, bullet, arrow
    int created = 0;
    int destroyed = -1;  // -1: still live at the end
    int followed = 0;    // passes in which it was moved to follow
    int lingered = 0;    // passes in which it held or eased in after the action
};

struct Trace {
    std::string scenario;
    std::vector<TraceRow> rows;
    std::vector<CameraLife> cameras;
    std::vector<std::pair<int, float>> timeScaleCalls;  // (pass, value) of every time-scale call
    std::vector<std::string> protocolErrors;
    // scriptRegister / scriptUnregister calls and the module handles they were
    // given (the last of each); zero where the plug-in was not loaded as a library.
    int registers = 0;
    int unregisters = 0;
    uint64_t registeredModule = 0;
    uint64_t unregisteredModule = 0;
};

nlohmann::json traceToJson(const Trace& trace);
// Its camera lives and time-scale calls, as traceToJson writes them (and the
// tuner's replays carry them).
nlohmann::json cameraLivesJson(const Trace& trace);
nlohmann::json timeScaleCallsJson(const Trace& trace);
Trace traceFromJson(const nlohmann::json& document);
// One row per pass: time scale, view, each camera's position, look point and
// phase, each object's position.
void writeTraceCsv(const Trace& trace, const std::string& path);

struct TraceSummary {
    int camerasMade = 0;
    int camerasDestroyed = 0;
    int passesFollowed = 0;
    int passesLingered = 0;
    float lowestTimeScale = 1.0f;
    float finalTimeScale = 1.0f;
};
TraceSummary summarize(const Trace& trace);

// ---- Playing a scenario -----------------------------------------------------------------------
// Applies a scenario's world and events to a World and records the trace. The
// caller runs the plug-in's passes; key presses go through `pressKey` so that
// the Windows driver can press real keys.
class ScenarioPlayer {
public:
    using KeyFunction = std::function<void(int32_t key, bool down)>;
    ScenarioPlayer(const Scenario& scenario, World& world, KeyFunction pressKey);

    void beforePass(int passNumber);  // applies the events of this pass
    void afterPass(int passNumber);   // records the pass
    Trace finish();                   // closes camera lives and returns the trace
    // Empties the world's log of native calls once a pass is recorded, so
    // that a run of tens of thousands of passes does not keep every call; the
    // trace keeps what it needs.
    void forgetLoggedCalls();

private:
    const Scenario& scenario_;
    World& world_;
    KeyFunction pressKey_;
    std::map<std::string, int32_t> handles_;
    Trace trace_;
    size_t callsSeen_ = 0;
    size_t hostCallsSeen_ = 0;
    uint64_t nativeCallsSeen_ = 0;
    std::map<int32_t, CameraSample> lastSample_;

    int32_t handleOf(const std::string& id) const;
    void spawn(const ScenarioObject& object);
    std::string modeOfNewCamera(int32_t handle, int passNumber) const;
};

// Expectation failures of a finished run, each a readable line; empty when all hold.
// `output` is what the plug-in printed on standard output (line ends normalised);
// the expected "output" lines give each byte as the code point of its value.
std::vector<std::string> checkExpectations(const Scenario& scenario, const Trace& trace, const std::string& output);

// Writes the scenario's "Veltrix.ini" (or removes one) in `directory`, creating it.
void prepareWorkingDirectory(const Scenario& scenario, const std::string& directory);

}  // namespace sim
