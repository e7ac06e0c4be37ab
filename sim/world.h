// The simulated host: a small deterministic game world that answers the
// plug-in's natives by hash, logs every call and checks the call protocol.
//
// Portable C++17: the Linux tests link it in-process, and the Windows
// stand-in script-hook library is built from the same sources.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <unordered_set>
#include <string>
#include <vector>

#include "host/vector3.h"
#include "game_speed.h"
#include "native_hashes.h"

namespace sim {

enum class Arg : uint8_t;  // what one argument slot must hold (world.cpp)

// Number of argument slots each known native takes; -1 for an unknown hash.
int argumentCount(uint64_t nativeHash);
// A short readable name for logs and reports ("set-camera-position", ...).
const char* nativeName(uint64_t nativeHash);

// A native of the table as its slots are filled and its result read, for
// holding the table to the game's native list. arguments: one letter per
// slot, 'i' a 32-bit integer or handle, 'f' a float's bits, 'p' an address;
// result: 'n' not read, 'i' an integer, 'h' a hash, 'v' a vector.
struct NativeShape {
    uint64_t hash;
    std::string arguments;
    char result;
};
std::vector<NativeShape> nativeShapes();

struct NativeCall;
// One logged call as a line: its name, every argument as the native takes it
// (integers, floats in their shortest exact form, the camera name, "out" for
// an out-parameter) and the result the plug-in reads, e.g.
//   set-camera-position(1, 0.9, 0, 1.1)
//   entity-model(100) -> 0x5F30F384
std::string describeCall(const NativeCall& call);

// Receives every protocol error a World still holds when it is destroyed.
// The test binaries install one that fails the running test, so no test can
// leave a protocol error unseen.
void setProtocolErrorSink(void (*sink)(const std::string& error));

// ---- World contents ------------------------------------------------------------
struct Bone {
    int32_t id;
    Vector3 offset;  // from the entity's position, so bones move with it
};

struct Entity {
    int32_t handle = 0;
    uint32_t model = 0;
    bool exists = true;
    bool attached = false;
    bool inSnapshot = true;  // objects are; characters (the player, targets) are not
    bool ballistic = false;  // falls under gravity until it lands, then rests
    Vector3 position = {0, 0, 0};
    Vector3 velocity = {0, 0, 0};
    // Targets: what the position-only and bone-list tests answer, and the bones.
    bool positionOnly = false;
    bool boneListA = false;
    std::vector<Bone> bones;  // bone index = position in this list
    // Protocol bookkeeping: the host has given this handle to the plug-in (in
    // a snapshot, as the player's ped, as the aimed-at entity), and which bone
    // indices the bone-index query has given for it.
    bool handedOut = false;
    uint64_t boneIndicesHandedOut = 0;
};

struct Camera {
    int32_t handle = 0;
    bool live = true;
    bool activated = false;
    bool placed = false;
    Vector3 position = {0, 0, 0};
    Vector3 pointAt = {0, 0, 0};
    float nearClip = 0.0f;  // 0: never set
    float fieldOfView = 0.0f;
    int createdPass = 0;
    int destroyedPass = -1;
};

struct NativeCall {
    int pass = 0;
    uint64_t hash = 0;
    std::vector<uint64_t> args;
    uint64_t results[3] = {0, 0, 0};
};

enum class HostCallKind { Register, Unregister, Wait, GetAllObjects };
struct HostCall {
    int pass = 0;
    HostCallKind kind = HostCallKind::Wait;
    uint64_t value = 0;  // module handle, wait time or returned count
};

// Bits of a float argument slot, and back.
uint64_t floatSlot(float value);
float slotFloat(uint64_t slot);

class World {
public:
    World();
    ~World();  // reportErrors()
    World(const World&) = delete;
    World& operator=(const World&) = delete;
    World& operator=(World&&) = default;  // for a fresh world in place; reportErrors() first
    // Hands the errors held to the protocol error sink, if one is set, and clears them.
    void reportErrors();

    // ---- Player -----------------------------------------------------------------
    int32_t playerPed = 1;
    int32_t playerId = 7;
    Vector3 launchBoneOffset = {0.1f, 0.2f, 1.5f};  // bone 28422 from the ped's position
    uint32_t weapon = 0;
    bool weaponQueryAnswer = true;
    bool shooting = false;
    int32_t aimedEntity = 0;
    bool veto = false;

    // ---- Objects, characters ----------------------------------------------------
    std::map<int32_t, Entity> entities;
    std::vector<int32_t> snapshotOrder;  // object handles in the order the host lists them

    // ---- Cameras and time ---------------------------------------------------------
    std::vector<Camera> cameras;
    Vector3 gameplayCameraPosition = {0.0f, -3.0f, 2.0f};
    bool scriptedView = false;  // the render switch's current state
    int32_t renderArgs[6] = {0, 0, 0, 0, 0, 0};
    float timeScale = 1.0f;  // as the plug-in last set it; the world moves at gameSpeed(timeScale)
    std::vector<std::pair<int, float>> timeScaleHistory;  // (pass, value) per call

    // ---- Keyboard -------------------------------------------------------------------
    std::map<int32_t, bool> keysDown;
    // Keys pressed and released since the last poll: reported once in bit 0 only,
    // as the real key-state query does.
    std::map<int32_t, bool> keysTapped;

    // ---- Stepping -------------------------------------------------------------------
    int pass = 0;               // pass being run (1-based once the script runs)
    float frameTime = 0.016f;   // game seconds per pass at time scale 1
    float gravity = 9.81f;
    float groundHeight = 0.0f;

    // ---- Fault injection ------------------------------------------------------------
    bool overrideObjectCount = false;
    int32_t reportedObjectCount = 0;  // returned instead of the real count when overriding
    bool createReturnsZero = false;
    // Called for every well-formed native call just before it is answered, so
    // a test can change the world between any two queries of a pass.
    std::function<void(uint64_t nativeHash)> beforeAnswer;
    // Called just after: may overwrite the result slots (non-finite vectors...).
    std::function<void(uint64_t nativeHash, uint64_t* results)> rewriteAnswer;

    // ---- Logging ----------------------------------------------------------------------
    bool logCalls = true;  // off for long runs; counters still run
    std::vector<NativeCall> calls;
    std::vector<HostCall> hostCalls;
    // Protocol errors: an unknown hash, a wrong argument count, interleaved
    // calls, a fixed argument other than the one the native takes, a 32-bit
    // slot with bits in its high half, a handle the host never handed out, an
    // operation on a destroyed camera. A test that provokes one on purpose
    // clears it once checked.
    std::vector<std::string> errors;
    uint64_t nativeCallCount = 0;
    uint64_t camerasCreated = 0;
    uint64_t camerasDestroyed = 0;

    // ---- Host interface entry points ------------------------------------------------
    void nativeInit(uint64_t nativeHash);
    void nativePush(uint64_t slot);
    uint64_t* nativeCall();
    int32_t getAllObjects(int32_t* handles, int32_t capacity);
    int16_t keyState(int32_t virtualKey);
    void recordHostCall(HostCallKind kind, uint64_t value);

    // ---- Scripting for tests ------------------------------------------------------------
    int32_t spawnObject(uint32_t model, Vector3 position, Vector3 velocity = {0, 0, 0}, bool ballistic = true);
    int32_t spawnTarget(Vector3 position, std::vector<Bone> bones = {}, bool boneListA = false,
                        bool positionOnly = false);
    void removeEntity(int32_t handle);  // stops existing, leaves the snapshot
    void eraseEntity(int32_t handle);   // gone from the world's tables altogether
    Entity& entity(int32_t handle);
    // As if an earlier answer had given the handle to the plug-in: for tests
    // that call the rig's functions directly, outside a pass.
    void handOut(int32_t handle);
    Vector3 playerPosition() const;
    Vector3 launchBonePosition() const;
    Vector3 targetPointOf(int32_t handle) const;  // what the plug-in should aim at
    void advance();                               // one frame of motion at the current time scale
    // Before each pass: the world moves one frame (not before the first), and
    // the pass counter goes up.
    void beginPass();

    // ---- Queries ---------------------------------------------------------------------------
    std::vector<const Camera*> liveCameras() const;
    const Camera* camera(int32_t handle) const;
    std::vector<const NativeCall*> callsInPass(int passNumber) const;
    std::vector<const NativeCall*> callsOf(uint64_t nativeHash) const;
    int countInPass(int passNumber, uint64_t nativeHash) const;

private:
    bool callOpen_ = false;
    uint64_t callHash_ = 0;
    std::vector<uint64_t> pushed_;
    uint64_t results_[8] = {};
    int32_t nextHandle_ = 100;
    int32_t nextCamera_ = 1;
    bool playerIdHandedOut_ = false;
    // Handles handed out that no entity of `entities` holds: never an entity
    // of this world, or erased since. Each Entity's own flag holds the rest,
    // so that a pass allocates nothing here.
    std::unordered_set<int32_t> handedOutElsewhere_;

    // What the call's slots name, resolved once by the checks for the answer.
    struct Subjects {
        Entity* entity = nullptr;  // the entity of slot 0, if the native takes one there
        Camera* camera = nullptr;  // the live camera of slot 0, if it takes one
    };
    Subjects checkArguments(uint64_t nativeHash, const std::vector<uint64_t>& args);
    // What a handle argument must be, resolving slot 0's entity or camera
    // into `subjects`; null when it holds.
    const char* handleRule(Arg kind, int32_t value, int k, Subjects& subjects);
    void protocolError(const std::string& what);
    void answer(uint64_t nativeHash, const std::vector<uint64_t>& args, const Subjects& subjects);
    // Each answers its natives (true) or leaves the call to the next.
    bool answerCamera(uint64_t nativeHash, const std::vector<uint64_t>& args, Camera* camera);
    bool answerEntity(uint64_t nativeHash, const std::vector<uint64_t>& args, Entity* entity);
    bool answerPlayer(uint64_t nativeHash, const std::vector<uint64_t>& args);
    const Entity* find(int32_t handle) const;
    Entity* find(int32_t handle);
    void noteHandedOut(int32_t handle, Entity* e);
    bool wasHandedOut(int32_t handle, const Entity* e) const;
    void setInt(int32_t value);
    void setVector(Vector3 v);
};

// The world that the host functions answer from.
World* activeWorld();
void setActiveWorld(World* world);
// Called from scriptWait: hands control back to whoever drives the script.
void setWaitHook(void (*hook)());
void callWaitHook();

// What the plug-in registered (set by scriptRegister, cleared by scriptUnregister).
struct Registration {
    void* module = nullptr;
    void (*script)() = nullptr;
    int registers = 0;
    int unregisters = 0;
    void* unregisteredModule = nullptr;
};
Registration& registration();

}  // namespace sim
