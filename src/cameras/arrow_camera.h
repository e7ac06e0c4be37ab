// Arrow camera: travels a fixed distance per pass from the bow to the target.
#pragma once

#include "cameras/shot_camera.h"

extern bool arrowCamActive;
extern ShotCameraState arrowCamera;

// The point on an entity that the shot cameras aim at: a listed bone if the
// entity has one, else its own position.
Vector3 entityTargetPoint(Entity entity);

void startArrowCamera(Entity ped);
void updateArrowCamera();
