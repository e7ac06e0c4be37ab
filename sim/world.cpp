#include "world.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "float_text.h"

namespace sim {

// ---- Native table ----------------------------------------------------------------
// What one argument slot must hold. Every 32-bit kind (all but the pointers)
// must also leave the slot's high half zero.
enum class Arg : uint8_t {
    Int,          // any 32-bit integer
    Float,        // any 32-bit float
    Entity,       // an entity handle the host has handed out
    EntityOrNone, // the same, or 0
    Ped,          // the player's ped, as the player-ped query handed it out
    PlayerId,     // the player id, as the player-id query handed it out
    Camera,       // a camera the host created and that is still live
    One,          // the integer 1
    Zero,         // the integer 0
    Flag,         // the integer 0 or 1
    ZeroFloat,    // the float 0.0 (not -0.0)
    NearClip,     // the float 0.01
    FieldOfView,  // the float 60.0
    LaunchBone,   // bone id 28422
    ListedBone,   // a bone id of the target-point lists
    BoneIndex,    // an index the bone-index query gave for the entity of slot 0
    CameraName,   // the address of the string "DEFAULT_SCRIPTED_CAMERA"
    Out,          // the address of a variable the host writes
};

namespace {


// How the plug-in reads the result, for the call log.
enum class Result : uint8_t { None, Int, Hash, Vector };

constexpr int kMaxArguments = 6;

struct NativeInfo {
    uint64_t hash;
    const char* name;
    Result result;
    int arguments;
    Arg args[kMaxArguments];
};

constexpr NativeInfo kNatives[] = {
    {hash::CreateCamera, "create-camera", Result::Int, 2, {Arg::CameraName, Arg::One}},
    {hash::ActivateCamera, "activate-camera", Result::None, 2, {Arg::Camera, Arg::One}},
    {hash::RenderSwitch, "render-switch", Result::None, 6,
     {Arg::Flag, Arg::Flag, Arg::Zero, Arg::One, Arg::Zero, Arg::Zero}},
    {hash::SetCameraPosition, "set-camera-position", Result::None, 4,
     {Arg::Camera, Arg::Float, Arg::Float, Arg::Float}},
    {hash::PointCamera, "point-camera", Result::None, 4, {Arg::Camera, Arg::Float, Arg::Float, Arg::Float}},
    {hash::NearClip, "near-clip", Result::None, 2, {Arg::Camera, Arg::NearClip}},
    {hash::FieldOfView, "field-of-view", Result::None, 2, {Arg::Camera, Arg::FieldOfView}},
    {hash::DestroyCamera, "destroy-camera", Result::None, 2, {Arg::Camera, Arg::One}},
    {hash::TimeScale, "time-scale", Result::None, 1, {Arg::Float}},
    {hash::CameraPosition, "camera-position", Result::Vector, 1, {Arg::Camera}},
    {hash::EntityExists, "entity-exists", Result::Int, 1, {Arg::EntityOrNone}},
    {hash::PlayerPed, "player-ped", Result::Int, 0, {}},
    {hash::EntityPosition, "entity-position", Result::Vector, 3, {Arg::Entity, Arg::One, Arg::One}},
    {hash::EntityModel, "entity-model", Result::Hash, 1, {Arg::Entity}},
    {hash::EntityVelocity, "entity-velocity", Result::Vector, 2, {Arg::Entity, Arg::One}},
    {hash::Attachment, "attachment", Result::Int, 1, {Arg::Entity}},
    {hash::CurrentWeapon, "current-weapon", Result::Int, 5, {Arg::Ped, Arg::Out, Arg::One, Arg::Zero, Arg::One}},
    {hash::ShootingTest, "shooting-test", Result::Int, 1, {Arg::Ped}},
    {hash::PedBonePosition, "ped-bone-position", Result::Vector, 5,
     {Arg::Ped, Arg::LaunchBone, Arg::ZeroFloat, Arg::ZeroFloat, Arg::ZeroFloat}},
    {hash::ShotVeto, "shot-veto", Result::Int, 2, {Arg::Ped, Arg::Out}},
    {hash::PlayerId, "player-id", Result::Int, 0, {}},
    {hash::TargetEntity, "target-entity", Result::None, 2, {Arg::PlayerId, Arg::Out}},
    {hash::PositionOnlyTest, "position-only-test", Result::Int, 1, {Arg::Entity}},
    {hash::BoneListTest, "bone-list-test", Result::Int, 1, {Arg::Entity}},
    {hash::BoneIndex, "bone-index", Result::Int, 2, {Arg::Entity, Arg::ListedBone}},
    {hash::BonePosition, "bone-position", Result::Vector, 2, {Arg::Entity, Arg::BoneIndex}},
};

const NativeInfo* info(uint64_t nativeHash) {
    // A scan asks the same native many times in a row.
    static const NativeInfo* last = nullptr;
    if (last && last->hash == nativeHash) return last;
    for (const NativeInfo& n : kNatives)
        if (n.hash == nativeHash) return last = &n;
    return nullptr;
}

const char kCameraName[] = "DEFAULT_SCRIPTED_CAMERA";
constexpr int32_t kLaunchBone = 28422;
constexpr uint32_t kNearClipBits = 0x3C23D70A;     // 0.01f
constexpr uint32_t kFieldOfViewBits = 0x42700000;  // 60.0f

// The bone lists the host's target point follows, in search order.
constexpr int32_t kBoneListA[] = {21030, 14285, 14413, 14415, 14412, 14411, 6884, 65478, 43312, 55120};
constexpr int32_t kBoneListB[] = {14285, 38713, 19060, 29245, 38711, 47850, 50064, 53074};

constexpr uint32_t kPedModel = 0x0B0B0B0B;

int32_t asInt(uint64_t slot) { return static_cast<int32_t>(static_cast<uint32_t>(slot)); }

Vector3 add(Vector3 a, Vector3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

World* g_world = nullptr;
void (*g_waitHook)() = nullptr;
void (*g_errorSink)(const std::string&) = nullptr;

std::string hex(uint64_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%016llX", static_cast<unsigned long long>(value));
    return text;
}

bool listedBone(int32_t id) {
    for (int32_t b : kBoneListA)
        if (b == id) return true;
    for (int32_t b : kBoneListB)
        if (b == id) return true;
    return false;
}

}  // namespace

int argumentCount(uint64_t nativeHash) {
    const NativeInfo* n = info(nativeHash);
    return n ? n->arguments : -1;
}

const char* nativeName(uint64_t nativeHash) {
    const NativeInfo* n = info(nativeHash);
    return n ? n->name : "unknown";
}

std::vector<NativeShape> nativeShapes() {
    // No default: a new kind does not compile until it says how its slot is filled.
    auto slot = [](Arg kind) {
        switch (kind) {
        case Arg::Float:
        case Arg::ZeroFloat:
        case Arg::NearClip:
        case Arg::FieldOfView: return 'f';
        case Arg::CameraName:
        case Arg::Out: return 'p';
        case Arg::Int:
        case Arg::Entity:
        case Arg::EntityOrNone:
        case Arg::Ped:
        case Arg::PlayerId:
        case Arg::Camera:
        case Arg::One:
        case Arg::Zero:
        case Arg::Flag:
        case Arg::LaunchBone:
        case Arg::ListedBone:
        case Arg::BoneIndex: return 'i';
        }
        return '?';
    };
    auto reading = [](Result result) {
        switch (result) {
        case Result::None: return 'n';
        case Result::Int: return 'i';
        case Result::Hash: return 'h';
        case Result::Vector: return 'v';
        }
        return '?';
    };
    std::vector<NativeShape> shapes;
    for (const NativeInfo& n : kNatives) {
        NativeShape shape{n.hash, "", reading(n.result)};
        for (int k = 0; k < n.arguments; ++k) shape.arguments += k < kMaxArguments ? slot(n.args[k]) : '?';
        shapes.push_back(shape);
    }
    return shapes;
}

std::string describeCall(const NativeCall& call) {
    const NativeInfo* n = info(call.hash);
    if (!n || n->arguments != static_cast<int>(call.args.size())) return "malformed " + hex(call.hash);
    std::string text = std::string(n->name) + "(";
    for (int k = 0; k < n->arguments; ++k) {
        if (k) text += ", ";
        const uint64_t slot = call.args[static_cast<size_t>(k)];
        switch (n->args[k]) {
        case Arg::Float:
        case Arg::ZeroFloat:
        case Arg::NearClip:
        case Arg::FieldOfView: text += floatText(slotFloat(slot)); break;
        case Arg::CameraName:
            text += slot != 0 && std::strcmp(reinterpret_cast<const char*>(static_cast<uintptr_t>(slot)), kCameraName) == 0
                        ? "\"DEFAULT_SCRIPTED_CAMERA\""
                        : "name?";
            break;
        case Arg::Out: text += "out"; break;
        default: text += std::to_string(asInt(slot)); break;
        }
    }
    text += ")";
    char hash[16];
    switch (n->result) {
    case Result::None: break;
    case Result::Int: text += " -> " + std::to_string(asInt(call.results[0])); break;
    case Result::Hash:
        std::snprintf(hash, sizeof hash, "0x%08X", static_cast<unsigned>(static_cast<uint32_t>(call.results[0])));
        text += std::string(" -> ") + hash;
        break;
    case Result::Vector:
        text += " -> (" + floatText(slotFloat(call.results[0])) + ", " + floatText(slotFloat(call.results[1])) + ", " +
                floatText(slotFloat(call.results[2])) + ")";
        break;
    }
    return text;
}

void setProtocolErrorSink(void (*sink)(const std::string&)) { g_errorSink = sink; }

uint64_t floatSlot(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float slotFloat(uint64_t slot) {
    const uint32_t bits = static_cast<uint32_t>(slot);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

World* activeWorld() { return g_world; }
void setActiveWorld(World* world) { g_world = world; }
void setWaitHook(void (*hook)()) { g_waitHook = hook; }
void callWaitHook() {
    if (g_waitHook) g_waitHook();
}

World::World() {
    Entity ped;
    ped.handle = playerPed;
    ped.model = kPedModel;
    ped.inSnapshot = false;
    entities[playerPed] = ped;
}

World::~World() { reportErrors(); }

void World::reportErrors() {
    if (!g_errorSink) return;
    for (const std::string& e : errors) g_errorSink(e);
    errors.clear();
}

// ---- Call protocol ---------------------------------------------------------------
void World::protocolError(const std::string& what) {
    errors.push_back("pass " + std::to_string(pass) + ": " + what);
}

void World::nativeInit(uint64_t nativeHash) {
    if (callOpen_) protocolError("native " + hex(nativeHash) + " begun while " + hex(callHash_) + " was not called");
    callOpen_ = true;
    callHash_ = nativeHash;
    pushed_.clear();
}

void World::nativePush(uint64_t slot) {
    if (!callOpen_) protocolError("argument pushed outside a native call");
    pushed_.push_back(slot);
}

uint64_t* World::nativeCall() {
    std::memset(results_, 0, sizeof results_);
    if (!callOpen_) {
        protocolError("native called without init");
        return results_;
    }
    callOpen_ = false;
    ++nativeCallCount;
    const int expected = argumentCount(callHash_);
    if (expected < 0) {
        protocolError("unknown native " + hex(callHash_));
    } else if (expected != static_cast<int>(pushed_.size())) {
        protocolError(std::string("native ") + nativeName(callHash_) + " takes " + std::to_string(expected) +
                      " arguments, got " + std::to_string(pushed_.size()));
    } else {
        const Subjects subjects = checkArguments(callHash_, pushed_);
        if (beforeAnswer) beforeAnswer(callHash_);
        answer(callHash_, pushed_, subjects);
        if (rewriteAnswer) rewriteAnswer(callHash_, results_);
    }
    if (logCalls) {
        NativeCall call;
        call.pass = pass;
        call.hash = callHash_;
        call.args = pushed_;
        std::memcpy(call.results, results_, sizeof call.results);
        calls.push_back(std::move(call));
    }
    return results_;
}

void World::noteHandedOut(int32_t handle, Entity* e) {
    if (e)
        e->handedOut = true;
    else
        handedOutElsewhere_.insert(handle);
}

bool World::wasHandedOut(int32_t handle, const Entity* e) const {
    return e ? e->handedOut : handedOutElsewhere_.count(handle) != 0;
}

void World::handOut(int32_t handle) { noteHandedOut(handle, find(handle)); }

namespace {
// What a fixed value or an address must be; null when it is so. The handles
// are the world's business (handleRule).
const char* valueRule(Arg kind, uint64_t slot) {
    const int32_t value = asInt(slot);
    const uint32_t bits = static_cast<uint32_t>(slot);
    switch (kind) {
    case Arg::One: return value != 1 ? "must be 1" : nullptr;
    case Arg::Zero: return value != 0 ? "must be 0" : nullptr;
    case Arg::Flag: return value != 0 && value != 1 ? "must be 0 or 1" : nullptr;
    case Arg::ZeroFloat: return bits != 0 ? "must be the float 0.0" : nullptr;
    case Arg::NearClip: return bits != kNearClipBits ? "must be the float 0.01" : nullptr;
    case Arg::FieldOfView: return bits != kFieldOfViewBits ? "must be the float 60.0" : nullptr;
    case Arg::LaunchBone: return value != kLaunchBone ? "must be the launch bone 28422" : nullptr;
    case Arg::ListedBone: return !listedBone(value) ? "a bone id of neither target-point list" : nullptr;
    case Arg::CameraName:
        return slot == 0 || std::strcmp(reinterpret_cast<const char*>(static_cast<uintptr_t>(slot)), kCameraName) != 0
                   ? "must point at \"DEFAULT_SCRIPTED_CAMERA\""
                   : nullptr;
    case Arg::Out: return slot == 0 ? "a null out-parameter" : nullptr;
    default: return nullptr;
    }
}
}  // namespace

const char* World::handleRule(Arg kind, int32_t value, int k, Subjects& subjects) {
    switch (kind) {
    case Arg::Entity:
    case Arg::EntityOrNone: {
        if (value == 0 && kind == Arg::EntityOrNone) return nullptr;
        Entity* e = find(value);
        if (k == 0) subjects.entity = e;
        return wasHandedOut(value, e) ? nullptr : "an entity handle the host never handed out";
    }
    case Arg::Ped: {
        Entity* e = find(value);
        if (k == 0) subjects.entity = e;
        return value == playerPed && wasHandedOut(value, e) ? nullptr : "not the player's ped from the player-ped query";
    }
    case Arg::PlayerId:
        return value == playerId && playerIdHandedOut_ ? nullptr : "not the player id from the player-id query";
    case Arg::Camera: {
        Camera* live = nullptr;
        bool created = false;
        for (Camera& c : cameras) {
            if (c.handle != value) continue;
            created = true;
            if (c.live && !live) live = &c;
        }
        if (k == 0) subjects.camera = live;
        return !created ? "a camera the host never created" : !live ? "a camera that has been destroyed" : nullptr;
    }
    case Arg::BoneIndex:
        return value < 0 || value >= 64 || !subjects.entity ||
                       !(subjects.entity->boneIndicesHandedOut & (uint64_t{1} << value))
                   ? "a bone index the bone-index query never gave for this entity"
                   : nullptr;
    default: return nullptr;
    }
}

World::Subjects World::checkArguments(uint64_t nativeHash, const std::vector<uint64_t>& args) {
    const NativeInfo& n = *info(nativeHash);
    Subjects subjects;
    for (int k = 0; k < n.arguments; ++k) {
        const uint64_t slot = args[static_cast<size_t>(k)];
        const Arg kind = n.args[k];
        const bool wide = kind == Arg::CameraName || kind == Arg::Out;  // a whole 64-bit address
        const char* broken = !wide && (slot >> 32) != 0 ? "a 32-bit value with bits in the high half of its slot"
                             : valueRule(kind, slot)      ? valueRule(kind, slot)
                                                          : handleRule(kind, asInt(slot), k, subjects);
        // One failed rule, named after the native, the argument and its value.
        if (broken) protocolError(std::string(n.name) + " argument " + std::to_string(k + 1) + " " + hex(slot) + ": " + broken);
    }
    // The scripted camera is shown with (1, 0); the gameplay camera comes back with (0, 1) or (0, 0).
    if (nativeHash == hash::RenderSwitch && args[0] == 1 && args[1] != 0)
        protocolError("render-switch (1, " + std::to_string(asInt(args[1])) +
                      "): the scripted camera is shown with (1, 0)");
    return subjects;
}

void World::recordHostCall(HostCallKind kind, uint64_t value) {
    if (callOpen_ && (kind == HostCallKind::Wait || kind == HostCallKind::GetAllObjects))
        protocolError("host call inside native " + hex(callHash_));
    if (logCalls || kind != HostCallKind::GetAllObjects) hostCalls.push_back({pass, kind, value});
}

int32_t World::getAllObjects(int32_t* handles, int32_t capacity) {
    int32_t written = 0;
    for (int32_t handle : snapshotOrder) {
        if (written >= capacity) break;
        Entity* e = find(handle);
        if (!e || !e->exists || !e->inSnapshot) continue;
        noteHandedOut(handle, e);
        handles[written++] = handle;
    }
    const int32_t reported = overrideObjectCount ? reportedObjectCount : written;
    // A host that reports more than it wrote hands out whatever the array
    // holds there, as far as the array goes.
    for (int32_t k = written; k < reported && k < capacity; ++k) handOut(handles[k]);
    recordHostCall(HostCallKind::GetAllObjects, static_cast<uint64_t>(static_cast<int64_t>(reported)));
    return reported;
}

int16_t World::keyState(int32_t virtualKey) {
    auto it = keysDown.find(virtualKey);
    int16_t state = (it != keysDown.end() && it->second) ? static_cast<int16_t>(0x8000) : 0;
    auto tap = keysTapped.find(virtualKey);
    if (tap != keysTapped.end() && tap->second) {
        state = static_cast<int16_t>(state | 1);
        tap->second = false;
    }
    return state;
}

// ---- Answers -------------------------------------------------------------------------
void World::setInt(int32_t value) { results_[0] = static_cast<uint32_t>(value); }

void World::setVector(Vector3 v) {
    results_[0] = floatSlot(v.x);
    results_[1] = floatSlot(v.y);
    results_[2] = floatSlot(v.z);
}

const Entity* World::find(int32_t handle) const {
    auto it = entities.find(handle);
    return it == entities.end() ? nullptr : &it->second;
}

Entity* World::find(int32_t handle) {
    auto it = entities.find(handle);
    return it == entities.end() ? nullptr : &it->second;
}

// Answers a well-formed call. The checks have resolved the entity or camera of
// slot 0; a camera that is not live is left alone (the error is recorded).
void World::answer(uint64_t nativeHash, const std::vector<uint64_t>& a, const Subjects& subjects) {
    if (answerCamera(nativeHash, a, subjects.camera)) return;
    if (answerEntity(nativeHash, a, subjects.entity)) return;
    answerPlayer(nativeHash, a);
}

bool World::answerCamera(uint64_t nativeHash, const std::vector<uint64_t>& a, Camera* cam) {
    switch (nativeHash) {
    case hash::CreateCamera: {
        Camera c;
        c.handle = createReturnsZero ? 0 : nextCamera_++;
        c.position = gameplayCameraPosition;
        c.createdPass = pass;
        cameras.push_back(c);
        ++camerasCreated;
        setInt(c.handle);
        break;
    }
    case hash::ActivateCamera:
        if (cam) cam->activated = true;
        break;
    case hash::RenderSwitch:
        for (int i = 0; i < 6; ++i) renderArgs[i] = asInt(a[i]);
        scriptedView = asInt(a[0]) != 0;
        break;
    case hash::SetCameraPosition:
        if (cam) {
            cam->position = {slotFloat(a[1]), slotFloat(a[2]), slotFloat(a[3])};
            cam->placed = true;
        }
        break;
    case hash::PointCamera:
        if (cam) cam->pointAt = {slotFloat(a[1]), slotFloat(a[2]), slotFloat(a[3])};
        break;
    case hash::NearClip:
        if (cam) cam->nearClip = slotFloat(a[1]);
        break;
    case hash::FieldOfView:
        if (cam) cam->fieldOfView = slotFloat(a[1]);
        break;
    case hash::DestroyCamera:
        if (cam) {
            cam->live = false;
            cam->destroyedPass = pass;
            ++camerasDestroyed;
        }
        break;
    case hash::TimeScale:
        timeScale = slotFloat(a[0]);
        timeScaleHistory.emplace_back(pass, timeScale);
        break;
    case hash::CameraPosition:
        if (cam) setVector(cam->position);
        break;
    default:
        return false;
    }
    return true;
}

bool World::answerEntity(uint64_t nativeHash, const std::vector<uint64_t>& a, Entity* e) {
    const bool present = e && e->exists;
    switch (nativeHash) {
    case hash::EntityExists:
        setInt(present ? 1 : 0);
        break;
    case hash::PlayerPed:
        handOut(playerPed);
        setInt(playerPed);
        break;
    case hash::EntityPosition:
        if (e) setVector(e->position);
        break;
    case hash::EntityModel:
        if (present) setInt(static_cast<int32_t>(e->model));
        break;
    case hash::EntityVelocity:
        if (present) setVector(e->velocity);
        break;
    case hash::Attachment:
        if (present) setInt(e->attached ? 1 : 0);
        break;
    case hash::PositionOnlyTest:
        if (e) setInt(e->positionOnly ? 1 : 0);
        break;
    case hash::BoneListTest:
        if (e) setInt(e->boneListA ? 1 : 0);
        break;
    case hash::BoneIndex: {
        int32_t index = -1;
        if (e) {
            for (size_t i = 0; i < e->bones.size(); ++i)
                if (e->bones[i].id == asInt(a[1])) index = static_cast<int32_t>(i);
            if (index >= 0 && index < 64) e->boneIndicesHandedOut |= uint64_t{1} << index;
        }
        setInt(index);
        break;
    }
    case hash::BonePosition: {
        const int32_t index = asInt(a[1]);
        if (e && index >= 0 && static_cast<size_t>(index) < e->bones.size())
            setVector(add(e->position, e->bones[static_cast<size_t>(index)].offset));
        else if (e)
            setVector(e->position);
        break;
    }
    default:
        return false;
    }
    return true;
}

bool World::answerPlayer(uint64_t nativeHash, const std::vector<uint64_t>& a) {
    switch (nativeHash) {
    case hash::CurrentWeapon:
        // Out-parameter: exactly 32 bits at the address pushed, written even
        // when the answer is 0, which is what tells the plug-in to ignore it.
        if (a[1] != 0) *reinterpret_cast<uint32_t*>(static_cast<uintptr_t>(a[1])) = weapon;
        setInt(weaponQueryAnswer ? 1 : 0);
        break;
    case hash::ShootingTest:
        setInt(shooting ? 1 : 0);
        break;
    case hash::PedBonePosition:
        setVector(launchBonePosition());
        break;
    case hash::ShotVeto:
        // The host fills a vector in three 8-byte slots.
        if (a[1] != 0) {
            uint64_t* scratch = reinterpret_cast<uint64_t*>(static_cast<uintptr_t>(a[1]));
            const Vector3 p = playerPosition();
            scratch[0] = floatSlot(p.x);
            scratch[1] = floatSlot(p.y);
            scratch[2] = floatSlot(p.z);
        }
        setInt(veto ? 1 : 0);
        break;
    case hash::PlayerId:
        playerIdHandedOut_ = true;
        setInt(playerId);
        break;
    case hash::TargetEntity:
        // Like the game, it writes the field only when the player aims at something.
        if (aimedEntity != 0 && a[1] != 0) {
            handOut(aimedEntity);
            *reinterpret_cast<int32_t*>(static_cast<uintptr_t>(a[1])) = aimedEntity;
        }
        break;
    default:
        return false;
    }
    return true;
}

// ---- Scripting -----------------------------------------------------------------------------
int32_t World::spawnObject(uint32_t model, Vector3 position, Vector3 velocity, bool ballistic) {
    Entity e;
    e.handle = nextHandle_++;
    e.model = model;
    e.position = position;
    e.velocity = velocity;
    e.ballistic = ballistic;
    entities[e.handle] = e;
    snapshotOrder.push_back(e.handle);
    return e.handle;
}

int32_t World::spawnTarget(Vector3 position, std::vector<Bone> bones, bool boneListA, bool positionOnly) {
    Entity e;
    e.handle = nextHandle_++;
    e.model = kPedModel;
    e.inSnapshot = false;
    e.position = position;
    e.bones = std::move(bones);
    e.boneListA = boneListA;
    e.positionOnly = positionOnly;
    entities[e.handle] = e;
    return e.handle;
}

void World::removeEntity(int32_t handle) {
    auto it = entities.find(handle);
    if (it != entities.end()) it->second.exists = false;
}

void World::eraseEntity(int32_t handle) {
    auto it = entities.find(handle);
    if (it == entities.end()) return;
    if (it->second.handedOut) handedOutElsewhere_.insert(handle);
    entities.erase(it);
}

Entity& World::entity(int32_t handle) { return entities.at(handle); }

Vector3 World::playerPosition() const { return find(playerPed)->position; }

Vector3 World::launchBonePosition() const { return add(playerPosition(), launchBoneOffset); }

Vector3 World::targetPointOf(int32_t handle) const {
    const Entity* e = find(handle);
    if (!e) return {0, 0, 0};
    if (!e->exists || e->positionOnly) return e->position;
    auto firstBone = [&](const int32_t* list, size_t count, Vector3& out) {
        for (size_t i = 0; i < count; ++i)
            for (const Bone& b : e->bones)
                if (b.id == list[i]) {
                    out = add(e->position, b.offset);
                    return true;
                }
        return false;
    };
    Vector3 point = e->position;
    if (e->boneListA)
        firstBone(kBoneListA, sizeof kBoneListA / sizeof kBoneListA[0], point);
    else
        firstBone(kBoneListB, sizeof kBoneListB / sizeof kBoneListB[0], point);
    return point;
}

void World::advance() {
    const float dt = frameTime * gameSpeed(timeScale);
    for (auto& [handle, e] : entities) {
        if (!e.exists || e.attached) continue;
        if (e.ballistic) e.velocity.z -= gravity * dt;
        e.position = add(e.position, {e.velocity.x * dt, e.velocity.y * dt, e.velocity.z * dt});
        if (e.ballistic && e.position.z <= groundHeight) {
            e.position.z = groundHeight;
            e.velocity = {0, 0, 0};
            e.ballistic = false;  // landed: it rests from now on
        }
    }
}

void World::beginPass() {
    if (pass > 0) advance();
    ++pass;
}

// ---- Queries ---------------------------------------------------------------------------------
std::vector<const Camera*> World::liveCameras() const {
    std::vector<const Camera*> live;
    for (const Camera& c : cameras)
        if (c.live) live.push_back(&c);
    return live;
}

const Camera* World::camera(int32_t handle) const {
    const Camera* found = nullptr;
    for (const Camera& c : cameras)
        if (c.handle == handle) found = &c;
    return found;
}

std::vector<const NativeCall*> World::callsInPass(int passNumber) const {
    std::vector<const NativeCall*> out;
    for (const NativeCall& c : calls)
        if (c.pass == passNumber) out.push_back(&c);
    return out;
}

std::vector<const NativeCall*> World::callsOf(uint64_t nativeHash) const {
    std::vector<const NativeCall*> out;
    for (const NativeCall& c : calls)
        if (c.hash == nativeHash) out.push_back(&c);
    return out;
}

int World::countInPass(int passNumber, uint64_t nativeHash) const {
    int n = 0;
    for (const NativeCall& c : calls)
        if (c.pass == passNumber && c.hash == nativeHash) ++n;
    return n;
}

}  // namespace sim
