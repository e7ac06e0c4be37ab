// Arrow camera: travels a fixed distance per pass from the bow to the target.
#pragma once

#include "cameras/shot_camera.h"

// The travel and the hold are fixed, whatever the settings.
constexpr float kArrowTravelStep = 0.8f;    // world units per pass
constexpr float kArrowLingerStep = 0.007f;  // per linger pass
constexpr float kArrowLingerLimit = 2.5f;

extern bool arrowCamActive;
extern ShotCameraState arrowCamera;

void startArrowCamera(Entity ped);
void updateArrowCamera();
