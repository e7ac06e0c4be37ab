// Arrow camera.
#include "cameras/arrow_camera.h"

#include <cmath>

#include "host/native.h"
#include "settings/catalogue.h"

bool arrowCamActive = false;
ShotCameraState arrowCamera;

// ---- Arrow camera ------------------------------------------------------------
void startArrowCamera(Entity ped) {
    const Vector3 launch = launchBonePosition(ped);
    queryAimedEntity(arrowCamera);
    if (!entityExists(arrowCamera.target)) return;

    const Vector3 target = entityTargetPoint(arrowCamera.target);
    arrowCamera.endPoint = target;
    arrowCamera.launchPoint = launch;
    arrowCamera.travelProgress = 0.0f;
    arrowCamera.lingerCounter = 0.0f;
    arrowCamera.lookPoint = target;
    beginShotCamera(arrowCamera, arrowCamActive, BowCamSpeed);
}

static void stepArrowCamera(ShotCameraState& shot) {
    smoothLookPoint(shot);

    if (shot.travelProgress < 1.0f) {
        const float dx = shot.endPoint.x - shot.launchPoint.x;
        const float dy = shot.endPoint.y - shot.launchPoint.y;
        const float dz = shot.endPoint.z - shot.launchPoint.z;
        // Summed and rooted in double precision, then rounded to single.
        const float len = static_cast<float>(
            std::sqrt(static_cast<double>(dy) * dy + static_cast<double>(dx) * dx + static_cast<double>(dz) * dz));
        advanceTravel(shot, kArrowTravelStep / len);  // a zero length completes at once
        placeAlongShot(shot);
        return;
    }
    if (!shot.lingering) return;

    shot.lingerCounter += kArrowLingerStep;
    if (entityExists(shot.target)) {
        setTimeScale(BowLingerSpeed);
        easeBehindTarget(shot, entityTargetPoint(shot.target), CameraOffsetBack);
    }
    if (shot.lingerCounter > kArrowLingerLimit) endShotCamera(shot, arrowCamActive);
}

void updateArrowCamera() {
    if (!arrowCamActive) return;
    stepArrowCamera(arrowCamera);
    endIfOverdue(arrowCamera, arrowCamActive);
}
