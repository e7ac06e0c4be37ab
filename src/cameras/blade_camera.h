// Thrown blade camera: chases a thrown knife or tomahawk with a smoothed camera.
#pragma once

#include "cameras/rig.h"

// Model hashes of the blades it follows (public for the tools that stage throws).
constexpr uint32_t kKnifeModels[] = {0x5F30F384, 0xDE1EF2B2};
constexpr uint32_t kTomahawkModels[] = {0xC82FC323, 0x71A5960C, 0xAC1A0AF8, 0x8F44D14A};

struct ScriptState;

struct BladeCameraState {
    bool active = false;
    Camera camera = 0;
    Vector3 cameraPos = {0.0f, 0.0f, 0.0f};
    Vector3 lookAt = {0.0f, 0.0f, 0.0f};
    float lingerTimer = 0.0f;  // one budget shared by every linger stretch of a camera
};

void updateBladeCamera(ScriptState& state);
