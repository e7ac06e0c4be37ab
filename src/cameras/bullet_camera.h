// Bullet camera: travels in slow motion along the line of a shot to the target.
#pragma once

#include "cameras/shot_camera.h"

extern bool bulletCamActive;
extern ShotCameraState bulletCamera;

void startBulletCamera(Entity ped);
void updateBulletCamera();
