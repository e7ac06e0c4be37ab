// Thrown blade camera: chases a thrown knife or tomahawk with a smoothed camera.
#pragma once

#include "cameras/rig.h"

struct ScriptState;

struct BladeCameraState {
    bool active = false;
    Camera camera = 0;
    Vector3 cameraPos = {0.0f, 0.0f, 0.0f};
    Vector3 lookAt = {0.0f, 0.0f, 0.0f};
    float lingerTimer = 0.0f;  // one budget shared by every linger stretch of a camera
};

void updateBladeCamera(ScriptState& state);
