// Bullet camera: a slow-motion ride along the shot that stops a little short
// of the target, then eases in behind it.
#include "cameras/bullet_camera.h"

#include <algorithm>
#include <cmath>

#include "cameras/arrow_camera.h"
#include "host/native.h"
#include "settings/catalogue.h"

bool bulletCamActive = false;
ShotCameraState bulletCamera;

constexpr uint64_t kShotVeto = 0x6C4D0409BA1A2BC2;


void startBulletCamera(Entity ped) {
    const Vector3 launch = launchBonePosition(ped);
    // The host writes a vector into three 8-byte slots; it is not read.
    uint64_t scratch[3] = {0, 0, 0};
    if (resultBool(invokeNative(kShotVeto, argInt(ped), argPointer(scratch)))) return;
    queryAimedEntity(bulletCamera);
    if (!entityExists(bulletCamera.target)) return;

    const Vector3 target = entityTargetPoint(bulletCamera.target);
    const Vector3 d = {target.x - launch.x, target.y - launch.y, target.z - launch.z};
    const float dist = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    Vector3 end = target;
    if (dist > 0.0f) {
        // Stop 3 % short of the target, and never more than CameraOffsetBack.
        const float pullBack = std::min(CameraOffsetBack, kBulletPullBackShare * dist);
        const float inverse = 1.0f / dist;
        end = {target.x - (d.x * inverse) * pullBack, target.y - (d.y * inverse) * pullBack,
               target.z - (d.z * inverse) * pullBack};
    }
    bulletCamera.launchPoint = launch;
    bulletCamera.endPoint = end;
    bulletCamera.lookPoint = end;
    bulletCamera.travelProgress = 0.0f;
    bulletCamera.lingerCounter = 0.0f;
    beginShotCamera(bulletCamera, bulletCamActive, slowMotionFactor);
}

static void stepBulletCamera(ShotCameraState& shot) {
    smoothLookPoint(shot);

    if (shot.travelProgress < 1.0f) {
        advanceTravel(shot, (BulletCamSpeed * kBulletPassStep) * slowMotionFactor);
        placeAlongShot(shot);
        return;
    }
    if (!shot.lingering) return;

    shot.lingerCounter += kBulletLingerStep;
    if (entityExists(shot.target)) {
        easeBehindTarget(shot, entityTargetPoint(shot.target), CameraOffsetBack);
        setTimeScale(BulletLingerSpeed);
    }
    if (!(shot.lingerCounter <= LingerTime)) endShotCamera(shot, bulletCamActive);  // a NaN LingerTime ends, too
}

void updateBulletCamera() {
    if (!bulletCamActive) return;
    stepBulletCamera(bulletCamera);
    endIfOverdue(bulletCamera, bulletCamActive);
}
