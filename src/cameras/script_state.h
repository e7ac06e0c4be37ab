// The state the script keeps from pass to pass and hands to the thrown modes:
// the switches, this pass's snapshot of world objects and each thrown mode's
// own record. Apart from the modes, so that the script and the modes it runs
// each depend on it and not on one another.
#pragma once

#include <cstdint>

#include "cameras/rig.h"
#include "settings/catalogue.h"

constexpr int32_t kSnapshotCapacity = 1024;

// What the thrown blade mode keeps between passes.
struct BladeCameraState {
    bool active = false;
    Camera camera = 0;
    Vector3 cameraPos = {0.0f, 0.0f, 0.0f};
    Vector3 lookAt = {0.0f, 0.0f, 0.0f};
    float lingerTimer = 0.0f;  // one budget shared by every linger stretch of a camera
};

// What the thrown explosive mode keeps between passes.
struct ExplosiveCameraState {
    Camera camera = 0;        // nonzero: the camera is live
    Entity tracked = 0;       // the object followed now
    Entity lastFollowed = 0;  // never taken up again while set
    Vector3 heldCameraPos = {0.0f, 0.0f, 0.0f};
    Vector3 heldLookAt = {0.0f, 0.0f, 0.0f};
    float lingerTimer = 0.0f;
};

// objects and objectCount: the snapshot taken at the start of this pass.
struct ScriptState {
    int32_t toggleKey = kDefaultToggleKey;
    CameraSwitches switches;
    int32_t objects[kSnapshotCapacity];
    int32_t objectCount = 0;
    BladeCameraState blade;
    ExplosiveCameraState explosive;
};
