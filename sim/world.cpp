#include "world.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace sim {

// ---- Native table ----------------------------------------------------------------
namespace {
struct NativeInfo {
    uint64_t hash;
    int arguments;
    const char* name;
};
constexpr NativeInfo kNatives[] = {
    {hash::CreateCamera, 2, "create-camera"},
    {hash::ActivateCamera, 2, "activate-camera"},
    {hash::RenderSwitch, 6, "render-switch"},
    {hash::SetCameraPosition, 4, "set-camera-position"},
    {hash::PointCamera, 4, "point-camera"},
    {hash::NearClip, 2, "near-clip"},
    {hash::FieldOfView, 2, "field-of-view"},
    {hash::DestroyCamera, 2, "destroy-camera"},
    {hash::TimeScale, 1, "time-scale"},
    {hash::CameraPosition, 1, "camera-position"},
    {hash::EntityExists, 1, "entity-exists"},
    {hash::PlayerPed, 0, "player-ped"},
    {hash::EntityPosition, 3, "entity-position"},
    {hash::EntityModel, 1, "entity-model"},
    {hash::EntityVelocity, 2, "entity-velocity"},
    {hash::Attachment, 1, "attachment"},
    {hash::CurrentWeapon, 5, "current-weapon"},
    {hash::ShootingTest, 1, "shooting-test"},
    {hash::PedBonePosition, 5, "ped-bone-position"},
    {hash::ShotVeto, 2, "shot-veto"},
    {hash::PlayerId, 0, "player-id"},
    {hash::TargetEntity, 2, "target-entity"},
    {hash::PositionOnlyTest, 1, "position-only-test"},
    {hash::BoneListTest, 1, "bone-list-test"},
    {hash::BoneIndex, 2, "bone-index"},
    {hash::BonePosition, 2, "bone-position"},
};

const NativeInfo* info(uint64_t nativeHash) {
    for (const NativeInfo& n : kNatives)
        if (n.hash == nativeHash) return &n;
    return nullptr;
}

// The bone lists the host's target point follows, in search order.
constexpr int32_t kBoneListA[] = {21030, 14285, 14413, 14415, 14412, 14411, 6884, 65478, 43312, 55120};
constexpr int32_t kBoneListB[] = {14285, 38713, 19060, 29245, 38711, 47850, 50064, 53074};

constexpr uint32_t kPedModel = 0x0B0B0B0B;

int32_t asInt(uint64_t slot) { return static_cast<int32_t>(static_cast<uint32_t>(slot)); }

Vector3 add(Vector3 a, Vector3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

World* g_world = nullptr;
void (*g_waitHook)() = nullptr;

std::string hex(uint64_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%016llX", static_cast<unsigned long long>(value));
    return text;
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

// ---- Call protocol ---------------------------------------------------------------
void World::nativeInit(uint64_t nativeHash) {
    if (callOpen_) errors.push_back("pass " + std::to_string(pass) + ": native " + hex(nativeHash) +
                                    " begun while " + hex(callHash_) + " was not called");
    callOpen_ = true;
    callHash_ = nativeHash;
    pushed_.clear();
}

void World::nativePush(uint64_t slot) {
    if (!callOpen_) errors.push_back("pass " + std::to_string(pass) + ": argument pushed outside a native call");
    pushed_.push_back(slot);
}

uint64_t* World::nativeCall() {
    std::memset(results_, 0, sizeof results_);
    if (!callOpen_) {
        errors.push_back("pass " + std::to_string(pass) + ": native called without init");
        return results_;
    }
    callOpen_ = false;
    ++nativeCallCount;
    const int expected = argumentCount(callHash_);
    if (expected < 0) {
        errors.push_back("pass " + std::to_string(pass) + ": unknown native " + hex(callHash_));
    } else if (expected != static_cast<int>(pushed_.size())) {
        errors.push_back("pass " + std::to_string(pass) + ": native " + nativeName(callHash_) + " takes " +
                         std::to_string(expected) + " arguments, got " + std::to_string(pushed_.size()));
    } else {
        if (beforeAnswer) beforeAnswer(callHash_);
        answer(callHash_, pushed_);
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

void World::recordHostCall(HostCallKind kind, uint64_t value) {
    if (callOpen_ && (kind == HostCallKind::Wait || kind == HostCallKind::GetAllObjects))
        errors.push_back("pass " + std::to_string(pass) + ": host call inside native " + hex(callHash_));
    if (logCalls || kind != HostCallKind::GetAllObjects) hostCalls.push_back({pass, kind, value});
}

int32_t World::getAllObjects(int32_t* handles, int32_t capacity) {
    int32_t written = 0;
    for (int32_t handle : snapshotOrder) {
        if (written >= capacity) break;
        const Entity* e = find(handle);
        if (!e || !e->exists || !e->inSnapshot) continue;
        handles[written++] = handle;
    }
    const int32_t reported = overrideObjectCount ? reportedObjectCount : written;
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

Camera* World::liveCamera(int32_t handle, const char* operation) {
    for (Camera& c : cameras)
        if (c.handle == handle && c.live) return &c;
    cameraMisuse.push_back("pass " + std::to_string(pass) + ": " + operation + " on camera " +
                           std::to_string(handle) + " that is not live");
    return nullptr;
}

void World::answer(uint64_t nativeHash, const std::vector<uint64_t>& a) {
    const Entity* e = nullptr;
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
        if (Camera* c = liveCamera(asInt(a[0]), "activate")) c->activated = true;
        break;
    case hash::RenderSwitch:
        for (int i = 0; i < 6; ++i) renderArgs[i] = asInt(a[i]);
        scriptedView = asInt(a[0]) != 0;
        break;
    case hash::SetCameraPosition:
        if (Camera* c = liveCamera(asInt(a[0]), "set position")) {
            c->position = {slotFloat(a[1]), slotFloat(a[2]), slotFloat(a[3])};
            c->placed = true;
        }
        break;
    case hash::PointCamera:
        if (Camera* c = liveCamera(asInt(a[0]), "point")) c->pointAt = {slotFloat(a[1]), slotFloat(a[2]), slotFloat(a[3])};
        break;
    case hash::NearClip:
        if (Camera* c = liveCamera(asInt(a[0]), "near clip")) c->nearClip = slotFloat(a[1]);
        break;
    case hash::FieldOfView:
        if (Camera* c = liveCamera(asInt(a[0]), "field of view")) c->fieldOfView = slotFloat(a[1]);
        break;
    case hash::DestroyCamera:
        if (Camera* c = liveCamera(asInt(a[0]), "destroy")) {
            c->live = false;
            c->destroyedPass = pass;
            ++camerasDestroyed;
        }
        break;
    case hash::TimeScale:
        timeScale = slotFloat(a[0]);
        timeScaleHistory.emplace_back(pass, timeScale);
        break;
    case hash::CameraPosition:
        for (const Camera& c : cameras)
            if (c.handle == asInt(a[0]) && c.live) setVector(c.position);
        break;
    case hash::EntityExists:
        e = find(asInt(a[0]));
        setInt(e && e->exists ? 1 : 0);
        break;
    case hash::PlayerPed:
        setInt(playerPed);
        break;
    case hash::EntityPosition:
        if ((e = find(asInt(a[0])))) setVector(e->position);
        break;
    case hash::EntityModel:
        if ((e = find(asInt(a[0]))) && e->exists) setInt(static_cast<int32_t>(e->model));
        break;
    case hash::EntityVelocity:
        if ((e = find(asInt(a[0]))) && e->exists) setVector(e->velocity);
        break;
    case hash::Attachment:
        if ((e = find(asInt(a[0]))) && e->exists) setInt(e->attached ? 1 : 0);
        break;
    case hash::CurrentWeapon:
        // Out-parameter: exactly 32 bits at the address pushed.
        if (weaponQueryAnswer) {
            uint32_t* slot = reinterpret_cast<uint32_t*>(static_cast<uintptr_t>(a[1]));
            *slot = weapon;
        }
        setInt(weaponQueryAnswer ? 1 : 0);
        break;
    case hash::ShootingTest:
        setInt(shooting && asInt(a[0]) == playerPed ? 1 : 0);
        break;
    case hash::PedBonePosition:
        setVector(launchBonePosition());
        break;
    case hash::ShotVeto: {
        // The host fills a vector in three 8-byte slots.
        uint64_t* scratch = reinterpret_cast<uint64_t*>(static_cast<uintptr_t>(a[1]));
        const Vector3 p = playerPosition();
        scratch[0] = floatSlot(p.x);
        scratch[1] = floatSlot(p.y);
        scratch[2] = floatSlot(p.z);
        setInt(veto ? 1 : 0);
        break;
    }
    case hash::PlayerId:
        setInt(playerId);
        break;
    case hash::TargetEntity: {
        int32_t* slot = reinterpret_cast<int32_t*>(static_cast<uintptr_t>(a[1]));
        if (asInt(a[0]) == playerId) *slot = aimedEntity;
        setInt(aimedEntity != 0 ? 1 : 0);
        break;
    }
    case hash::PositionOnlyTest:
        if ((e = find(asInt(a[0])))) setInt(e->positionOnly ? 1 : 0);
        break;
    case hash::BoneListTest:
        if ((e = find(asInt(a[0])))) setInt(e->boneListA ? 1 : 0);
        break;
    case hash::BoneIndex: {
        int32_t index = -1;
        if ((e = find(asInt(a[0])))) {
            for (size_t i = 0; i < e->bones.size(); ++i)
                if (e->bones[i].id == asInt(a[1])) index = static_cast<int32_t>(i);
        }
        setInt(index);
        break;
    }
    case hash::BonePosition: {
        e = find(asInt(a[0]));
        const int32_t index = asInt(a[1]);
        if (e && index >= 0 && static_cast<size_t>(index) < e->bones.size())
            setVector(add(e->position, e->bones[static_cast<size_t>(index)].offset));
        else if (e)
            setVector(e->position);
        break;
    }
    default:
        break;
    }
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
    const float dt = frameTime * timeScale;
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
