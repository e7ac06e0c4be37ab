// A host that costs as little as a host can: it answers every native by
// looking its entity or camera up in a fixed table, logs nothing and never
// allocates. The benchmarks time the plug-in's pass against it, and against a
// replay of the very calls that pass made (the floor).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/vector3.h"

namespace fast {

constexpr int32_t kEntitySlots = 4096;  // handles are indices, masked into the table
constexpr int32_t kCameraSlots = 16;
constexpr int32_t kSnapshotCapacity = 1024;
constexpr int32_t kMaxBones = 4;

struct Bone {
    int32_t id;
    Vector3 position;
};

struct BoneSet {
    int32_t count = 0;
    Bone bones[kMaxBones] = {};
};
constexpr int32_t kBoneSets = 4;

// Kept small (36 bytes) so that a scan of the snapshot walks few cache lines.
struct Entity {
    uint32_t model = 0;
    bool exists = false;
    bool attached = false;
    bool positionOnly = false;
    bool boneListA = false;
    Vector3 position = {0, 0, 0};
    Vector3 velocity = {0, 0, 0};
    int32_t boneSet = -1;  // index into World::boneSets; -1: no bones
};

struct World {
    Entity entities[kEntitySlots];
    BoneSet boneSets[kBoneSets];
    int32_t snapshot[kSnapshotCapacity] = {};
    int32_t snapshotCount = 0;

    int32_t playerPed = 1;
    int32_t playerId = 7;
    Vector3 launchBone = {0, 0, 0};
    bool weaponAnswer = false;
    uint32_t weapon = 0;
    bool shooting = false;
    int32_t aimedEntity = 0;
    bool veto = false;

    Vector3 cameraPositions[kCameraSlots] = {};
    int32_t nextCamera = 1;
    float timeScale = 1.0f;
    int16_t keys[256] = {};
};

// The one world the host functions answer from.
World& world();
// Back to an empty world (every entity gone, no cameras, no weapon).
void resetWorld();

// The host calls of a run of passes: the key polls and snapshots, and every
// native with its argument slots. Out-parameter slots are redirected to a
// scratch area of the host, so that a replay long after the recorded frames
// have returned writes nowhere it should not.
struct Trace {
    std::vector<int32_t> keyPolls;
    int32_t snapshots = 0;
    std::vector<uint64_t> hashes;
    std::vector<uint8_t> argumentCounts;
    std::vector<uint64_t> arguments;  // all slots, call after call

    size_t natives() const { return hashes.size(); }
    void clear();
};

// While a trace is set every host call is appended to it (setup only: this
// is the one path of the host that allocates).
void startRecording(Trace* trace);
void stopRecording();

// Makes the recorded calls again, in order, with nothing in between but the
// loop that walks the trace: key polls and snapshots first, as a pass makes
// them, then the natives.
void replay(const Trace& trace, int32_t* snapshotBuffer);

}  // namespace fast
