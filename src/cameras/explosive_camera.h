// Thrown explosive camera: rides behind and above thrown dynamite and fire bottles.
#pragma once

#include "cameras/rig.h"

// Model hashes of the explosives it follows (public for the tools that stage throws).
constexpr uint32_t kDynamiteModels[] = {0x094A2080, 0xD6E9BBBC};
constexpr uint32_t kFireBottleModels[] = {0xE5C6289E, 0xFF2EDB6F};
// Followed at any speed; every other explosive is held once slower than the hold speed.
constexpr uint32_t kAnySpeedModels[] = {0xD6E9BBBC, 0x094A2080, 0xFF2EDB6F};
constexpr float kExplosiveHoldSpeed = 5.0f;  // metres per second

struct ScriptState;

struct ExplosiveCameraState {
    Camera camera = 0;        // nonzero: the camera is live
    Entity tracked = 0;       // the object followed now
    Entity lastFollowed = 0;  // never taken up again while set
    Vector3 heldCameraPos = {0.0f, 0.0f, 0.0f};
    Vector3 heldLookAt = {0.0f, 0.0f, 0.0f};
    float lingerTimer = 0.0f;
};

void updateExplosiveCamera(ScriptState& state);
