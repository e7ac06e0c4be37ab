#include "cameras/shot_camera.h"

#include <cmath>

#include "host/native.h"

constexpr uint64_t kPedBonePosition = 0x17C07FC640E86B4E;
constexpr uint64_t kPlayerId = 0x217E9DC48139933D;
constexpr uint64_t kTargetEntity = 0xA6817C110B830EAD;

constexpr int32_t kLaunchBone = 28422;
constexpr float kLookKeep = 0.85f;
constexpr float kLookTake = 0.15f;
constexpr float kEaseRate = 0.15f;

Vector3 launchBonePosition(Entity ped) {
    return resultVector3(invokeNative(kPedBonePosition, argInt(ped), argInt(kLaunchBone), argFloat(0.0f),
                                      argFloat(0.0f), argFloat(0.0f)));
}

void queryAimedEntity(ShotCameraState& shot) {
    shot.target = 0;
    const int32_t player = resultInt(invokeNative(kPlayerId));
    invokeNative(kTargetEntity, argInt(player), argPointer(&shot.target));
}

void beginShotCamera(ShotCameraState& shot, bool& running, float timeScale) {
    startCamera(shot.camera, kShotStyle, timeScale);
    running = true;
    shot.updates = 0;
}

void smoothLookPoint(ShotCameraState& shot) {
    if (!entityExists(shot.target)) return;
    const Vector3 p = entityTargetPoint(shot.target);
    shot.lookPoint.x = shot.lookPoint.x * kLookKeep + p.x * kLookTake;
    shot.lookPoint.y = shot.lookPoint.y * kLookKeep + p.y * kLookTake;
    shot.lookPoint.z = shot.lookPoint.z * kLookKeep + p.z * kLookTake;
}

bool placeAlongShot(ShotCameraState& shot) {
    // Also catches a NaN progress, which would otherwise never complete.
    if (!(shot.travelProgress <= 1.0f)) shot.travelProgress = 1.0f;
    const float t = shot.travelProgress;
    const Vector3 d = {shot.endPoint.x - shot.launchPoint.x, shot.endPoint.y - shot.launchPoint.y,
                       shot.endPoint.z - shot.launchPoint.z};
    placeCamera(shot.camera, {d.x * t + shot.launchPoint.x, d.y * t + shot.launchPoint.y, d.z * t + shot.launchPoint.z},
                shot.lookPoint);
    // Lingering begins on arrival whether or not the target still exists, so
    // that every camera reaches its end sequence and normal speed returns.
    if (!shot.lingering && t >= 1.0f) {
        shot.lingering = true;
        shot.lingerCounter = 0.0f;
    }
    return t >= 1.0f;
}

void easeBehindTarget(ShotCameraState& shot, Vector3 p, float offsetBack) {
    const Vector3 d = {shot.endPoint.x - shot.launchPoint.x, shot.endPoint.y - shot.launchPoint.y,
                       shot.endPoint.z - shot.launchPoint.z};
    const float len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    Vector3 u = d;
    if (len > 0.0f) {
        const float inverse = 1.0f / len;
        u = {d.x * inverse, d.y * inverse, d.z * inverse};
    }
    // Only the horizontal part of the shot's direction sets the spot behind.
    const Vector3 wanted = {p.x - u.x * offsetBack, p.y - u.y * offsetBack, p.z + kShotLingerHeight};
    const Vector3 cur = cameraPosition(shot.camera);
    placeCamera(shot.camera,
                {(wanted.x - cur.x) * kEaseRate + cur.x, (wanted.y - cur.y) * kEaseRate + cur.y,
                 (wanted.z - cur.z) * kEaseRate + cur.z},
                p);
}

void endShotCamera(ShotCameraState& shot, bool& running) {
    endCamera(shot.camera, kShotStyle, true);
    running = false;
    shot.lingering = false;
}

void endIfOverdue(ShotCameraState& shot, bool& running) {
    if (running && ++shot.updates >= kMaxShotCameraUpdates) endShotCamera(shot, running);
}
