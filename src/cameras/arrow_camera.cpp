// Arrow camera, and the target point both shot cameras aim at.
#include "cameras/arrow_camera.h"

#include <cmath>

#include "host/native.h"
#include "settings/catalogue.h"

bool arrowCamActive = false;
ShotCameraState arrowCamera;

// ---- Target point ----------------------------------------------------------
constexpr uint64_t kPositionOnlyTest = 0x7D5B1F88E7504BBA;
constexpr uint64_t kBoneListTest = 0xB980061DA992779D;
constexpr uint64_t kBoneIndex = 0x3F428D08BE5AAE31;
constexpr uint64_t kBonePosition = 0x82CFA50E34681CA5;

constexpr int32_t kBoneListA[] = {21030, 14285, 14413, 14415, 14412, 14411, 6884, 65478, 43312, 55120};
constexpr int32_t kBoneListB[] = {14285, 38713, 19060, 29245, 38711, 47850, 50064, 53074};
constexpr int32_t kNoBone = -1;

template <size_t N>
static bool firstListedBone(Entity entity, const int32_t (&bones)[N], Vector3& position) {
    for (int32_t bone : bones) {
        const int32_t index = resultInt(invokeNative(kBoneIndex, argInt(entity), argInt(bone)));
        if (index != kNoBone) {
            position = resultVector3(invokeNative(kBonePosition, argInt(entity), argInt(index)));
            return true;
        }
    }
    return false;
}

Vector3 entityTargetPoint(Entity entity) {
    Vector3 point = entityPosition(entity);
    if (!entityExists(entity)) return point;
    if (resultBool(invokeNative(kPositionOnlyTest, argInt(entity)))) return point;
    if (resultBool(invokeNative(kBoneListTest, argInt(entity))))
        firstListedBone(entity, kBoneListA, point);
    else
        firstListedBone(entity, kBoneListB, point);
    return point;
}

// ---- Arrow camera ------------------------------------------------------------
constexpr float kTravelStep = 0.8f;     // world units per pass
constexpr float kLingerStep = 0.007f;   // per linger pass
constexpr float kLingerLimit = 2.5f;

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
        advanceTravel(shot, kTravelStep / len);  // a zero length completes at once
        placeAlongShot(shot);
        return;
    }
    if (!shot.lingering) return;

    shot.lingerCounter += kLingerStep;
    if (entityExists(shot.target)) {
        setTimeScale(BowLingerSpeed);
        easeBehindTarget(shot, entityTargetPoint(shot.target), CameraOffsetBack);
    }
    if (shot.lingerCounter > kLingerLimit) endShotCamera(shot, arrowCamActive);
}

void updateArrowCamera() {
    if (!arrowCamActive) return;
    stepArrowCamera(arrowCamera);
    endIfOverdue(arrowCamera, arrowCamActive);
}
