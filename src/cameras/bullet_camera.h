// Bullet camera: travels in slow motion along the line of a shot to the target.
#pragma once

#include "cameras/shot_camera.h"

// Each pass the travel progress grows by BulletCamSpeed x this x slowMotionFactor.
constexpr float kBulletPassStep = 0.016f;
constexpr float kBulletLingerStep = 0.012f;  // per linger pass, up to LingerTime
// The travel ends this share of the distance short of the target, at most CameraOffsetBack.
constexpr float kBulletPullBackShare = 0.03f;

extern bool bulletCamActive;
extern ShotCameraState bulletCamera;

void startBulletCamera(Entity ped);
void updateBulletCamera();
