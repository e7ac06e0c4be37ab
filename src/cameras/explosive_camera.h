// Thrown explosive camera: rides behind and above thrown dynamite and fire bottles.
#pragma once

#include "cameras/rig.h"

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
