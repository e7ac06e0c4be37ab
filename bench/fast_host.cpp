// The benchmark host: definitions of the host functions of host/host.h that
// answer from fast::World by direct table look-up.
#include "fast_host.h"

#include <cstdlib>
#include <cstring>

#include "host/host.h"
#include "native_hashes.h"

namespace fast {
namespace {

namespace hash = sim::hash;

World g_world;
Trace* g_trace = nullptr;

constexpr int kArgumentSlots = 8;
uint64_t g_hash = 0;
uint32_t g_argumentCount = 0;
uint64_t g_arguments[kArgumentSlots];
uint64_t g_results[4];
// Where redirected out-parameters land during a replay.
alignas(8) uint64_t g_scratch[4];

int32_t asInt(uint64_t slot) { return static_cast<int32_t>(static_cast<uint32_t>(slot)); }

float asFloat(uint64_t slot) {
    const uint32_t bits = static_cast<uint32_t>(slot);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint64_t floatSlot(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

Entity& entityAt(uint64_t slot) { return g_world.entities[asInt(slot) & (kEntitySlots - 1)]; }
Vector3& cameraAt(uint64_t slot) { return g_world.cameraPositions[asInt(slot) & (kCameraSlots - 1)]; }

const BoneSet* bonesOf(const Entity& e) {
    return e.boneSet >= 0 && e.boneSet < kBoneSets ? &g_world.boneSets[e.boneSet] : nullptr;
}

void setInt(int32_t value) { g_results[0] = static_cast<uint32_t>(value); }

void setVector(const Vector3& v) {
    g_results[0] = floatSlot(v.x);
    g_results[1] = floatSlot(v.y);
    g_results[2] = floatSlot(v.z);
}

template <typename T>
T* outParameter(uint64_t slot) {
    return reinterpret_cast<T*>(static_cast<uintptr_t>(slot));
}

// Index of the slot that is an out-parameter, or -1.
int outParameterIndex(uint64_t nativeHash) {
    switch (nativeHash) {
    case hash::CurrentWeapon:
    case hash::ShotVeto:
    case hash::TargetEntity:
        return 1;
    default:
        return -1;
    }
}

// Out of line, so that the answering path keeps no frame for it.
[[gnu::noinline, gnu::cold]] void record() {
    Trace& t = *g_trace;
    t.hashes.push_back(g_hash);
    t.argumentCounts.push_back(static_cast<uint8_t>(g_argumentCount));
    const int out = outParameterIndex(g_hash);
    for (uint32_t i = 0; i < g_argumentCount; ++i)
        t.arguments.push_back(static_cast<int>(i) == out ? reinterpret_cast<uintptr_t>(g_scratch) : g_arguments[i]);
}

enum class Op : uint8_t { Unknown, CreateCamera, ActivateCamera, RenderSwitch, SetCameraPosition, PointCamera, NearClip, FieldOfView, DestroyCamera, TimeScale, CameraPosition, EntityExists, PlayerPed, EntityPosition, EntityModel, EntityVelocity, Attachment, CurrentWeapon, ShootingTest, PedBonePosition, ShotVeto, PlayerId, TargetEntity, PositionOnlyTest, BoneListTest, BoneIndex, BonePosition };

// The low six bits of (hash >> 24) tell the 26 natives apart: one load and
// one compare find a native's answer, with no search.
struct Slot {
    uint64_t hash;
    Op op;
};
constexpr int kTableBits = 6;
constexpr int kTableShift = 24;
Slot g_table[1 << kTableBits];

int tableIndex(uint64_t nativeHash) { return static_cast<int>((nativeHash >> kTableShift) & ((1 << kTableBits) - 1)); }

bool buildTable() {
    const Slot natives[] = {
        {hash::CreateCamera, Op::CreateCamera},
        {hash::ActivateCamera, Op::ActivateCamera},
        {hash::RenderSwitch, Op::RenderSwitch},
        {hash::SetCameraPosition, Op::SetCameraPosition},
        {hash::PointCamera, Op::PointCamera},
        {hash::NearClip, Op::NearClip},
        {hash::FieldOfView, Op::FieldOfView},
        {hash::DestroyCamera, Op::DestroyCamera},
        {hash::TimeScale, Op::TimeScale},
        {hash::CameraPosition, Op::CameraPosition},
        {hash::EntityExists, Op::EntityExists},
        {hash::PlayerPed, Op::PlayerPed},
        {hash::EntityPosition, Op::EntityPosition},
        {hash::EntityModel, Op::EntityModel},
        {hash::EntityVelocity, Op::EntityVelocity},
        {hash::Attachment, Op::Attachment},
        {hash::CurrentWeapon, Op::CurrentWeapon},
        {hash::ShootingTest, Op::ShootingTest},
        {hash::PedBonePosition, Op::PedBonePosition},
        {hash::ShotVeto, Op::ShotVeto},
        {hash::PlayerId, Op::PlayerId},
        {hash::TargetEntity, Op::TargetEntity},
        {hash::PositionOnlyTest, Op::PositionOnlyTest},
        {hash::BoneListTest, Op::BoneListTest},
        {hash::BoneIndex, Op::BoneIndex},
        {hash::BonePosition, Op::BonePosition},
    };
    for (const Slot& n : natives) {
        Slot& slot = g_table[tableIndex(n.hash)];
        if (slot.op != Op::Unknown) std::abort();  // two natives share a slot
        slot = n;
    }
    return true;
}
const bool g_tableBuilt = buildTable();

Op lookUp(uint64_t nativeHash) {
    const Slot& slot = g_table[tableIndex(nativeHash)];
    return slot.hash == nativeHash ? slot.op : Op::Unknown;
}

void answer() {
    const uint64_t* a = g_arguments;
    switch (lookUp(g_hash)) {
    case Op::CreateCamera: {
        const int32_t handle = g_world.nextCamera;
        g_world.nextCamera = handle % (kCameraSlots - 1) + 1;
        g_world.cameraPositions[handle] = {0, 0, 0};
        setInt(handle);
        break;
    }
    case Op::ActivateCamera:
    case Op::NearClip:
    case Op::FieldOfView:
    case Op::DestroyCamera:
    case Op::RenderSwitch:
    case Op::PointCamera:
        break;
    case Op::SetCameraPosition:
        cameraAt(a[0]) = {asFloat(a[1]), asFloat(a[2]), asFloat(a[3])};
        break;
    case Op::TimeScale:
        g_world.timeScale = asFloat(a[0]);
        break;
    case Op::CameraPosition:
        setVector(cameraAt(a[0]));
        break;
    case Op::EntityExists:
        setInt(entityAt(a[0]).exists);
        break;
    case Op::PlayerPed:
        setInt(g_world.playerPed);
        break;
    case Op::EntityPosition:
        setVector(entityAt(a[0]).position);
        break;
    case Op::EntityModel: {
        const Entity& e = entityAt(a[0]);
        setInt(e.exists ? static_cast<int32_t>(e.model) : 0);
        break;
    }
    case Op::EntityVelocity:
        setVector(entityAt(a[0]).velocity);
        break;
    case Op::Attachment:
        setInt(entityAt(a[0]).attached);
        break;
    case Op::CurrentWeapon:
        if (g_world.weaponAnswer) *outParameter<uint32_t>(a[1]) = g_world.weapon;
        setInt(g_world.weaponAnswer);
        break;
    case Op::ShootingTest:
        setInt(g_world.shooting && asInt(a[0]) == g_world.playerPed);
        break;
    case Op::PedBonePosition:
        setVector(g_world.launchBone);
        break;
    case Op::ShotVeto: {
        uint64_t* v = outParameter<uint64_t>(a[1]);
        v[0] = v[1] = v[2] = 0;
        setInt(g_world.veto);
        break;
    }
    case Op::PlayerId:
        setInt(g_world.playerId);
        break;
    case Op::TargetEntity:
        *outParameter<int32_t>(a[1]) = g_world.aimedEntity;
        setInt(g_world.aimedEntity != 0);
        break;
    case Op::PositionOnlyTest:
        setInt(entityAt(a[0]).positionOnly);
        break;
    case Op::BoneListTest:
        setInt(entityAt(a[0]).boneListA);
        break;
    case Op::BoneIndex: {
        const BoneSet* set = bonesOf(entityAt(a[0]));
        const int32_t id = asInt(a[1]);
        int32_t index = -1;
        for (int32_t i = 0; set && i < set->count; ++i)
            if (set->bones[i].id == id) index = i;
        setInt(index);
        break;
    }
    case Op::BonePosition: {
        const Entity& e = entityAt(a[0]);
        const BoneSet* set = bonesOf(e);
        const int32_t index = asInt(a[1]);
        setVector(set && index >= 0 && index < set->count ? set->bones[index].position : e.position);
        break;
    }
    default:
        break;
    }
}

}  // namespace

World& world() { return g_world; }

void resetWorld() { g_world = World(); }

void Trace::clear() {
    keyPolls.clear();
    snapshots = 0;
    hashes.clear();
    argumentCounts.clear();
    arguments.clear();
}

void startRecording(Trace* trace) { g_trace = trace; }
void stopRecording() { g_trace = nullptr; }

}  // namespace fast

// ---- The host functions ----------------------------------------------------------
extern "C" {

void scriptRegister(HostModule, ScriptFunction) {}
void scriptUnregister(HostModule) {}
void scriptWait(uint32_t) {}

void nativeInit(uint64_t nativeHash) {
    fast::g_hash = nativeHash;
    fast::g_argumentCount = 0;
}

void nativePush64(uint64_t slot) {
    fast::g_arguments[fast::g_argumentCount++ & (fast::kArgumentSlots - 1)] = slot;
}

uint64_t* nativeCall() {
    fast::answer();
    if (fast::g_trace) fast::record();
    return fast::g_results;
}

int32_t worldGetAllObjects(int32_t* handles, int32_t capacity) {
    if (fast::g_trace) fast::g_trace->snapshots++;
    const int32_t count = fast::g_world.snapshotCount < capacity ? fast::g_world.snapshotCount : capacity;
    std::memcpy(handles, fast::g_world.snapshot, sizeof(int32_t) * static_cast<size_t>(count));
    return count;
}

int16_t hostKeyState(int32_t virtualKey) {
    if (fast::g_trace) fast::g_trace->keyPolls.push_back(virtualKey);
    return fast::g_world.keys[virtualKey & 0xFF];
}

}  // extern "C"
