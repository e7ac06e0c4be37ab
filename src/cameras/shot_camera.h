// What the bullet and arrow cameras share: their state record and the steps
// both make the same way. Each mode keeps its own record, flag and camera.
#pragma once

#include "cameras/rig.h"
#include "cameras/target_point.h"

// Safety limit on a shot camera's life, in updates (switched-on passes): ten
// minutes at 60 frames a second. With the defaults a bullet camera lives 567
// and an arrow camera a few hundred; only settings no counter can reach (a
// LingerTime beyond the counter's float range, a travel step so small it
// takes days) ever hit it, and then the game is not left slowed for good.
constexpr int32_t kMaxShotCameraUpdates = 36000;

// While lingering the camera eases to this height above the target point.
constexpr float kShotLingerHeight = 0.3f;

struct ShotCameraState {
    bool lingering = false;
    Entity target = 0;  // written by the host's target-entity query
    Camera camera = 0;
    Vector3 launchPoint = {0.0f, 0.0f, 0.0f};
    Vector3 endPoint = {0.0f, 0.0f, 0.0f};
    Vector3 lookPoint = {0.0f, 0.0f, 0.0f};
    float travelProgress = 0.0f;
    float lingerCounter = 0.0f;
    int32_t updates = 0;  // since the start, towards kMaxShotCameraUpdates
};

// The player character's launch bone.
Vector3 launchBonePosition(Entity ped);
// Clears the record's target, then lets the host write the entity the player aims at.
void queryAimedEntity(ShotCameraState& shot);

// Start sequence: leftover camera destroyed, new one created and rendered,
// the running flag set, the time scale slowed.
void beginShotCamera(ShotCameraState& shot, bool& running, float timeScale);
// Adds one travel step to the progress. A step that cannot move the camera
// (zero, negative, NaN, or too small to change the sum) completes the travel
// instead: otherwise the camera would never arrive and the game would stay
// slowed for good. Inline: the tools count travels by it without a host.
inline void advanceTravel(ShotCameraState& shot, float step) {
    const float next = shot.travelProgress + step;
    shot.travelProgress = next > shot.travelProgress ? next : 1.0f;
}
// Eases the look point towards the target's current target point, if it exists.
void smoothLookPoint(ShotCameraState& shot);
// Clamps the progress to 1.0 and places the camera along the line of the shot.
// Returns true when the travel has completed, which starts the linger phase.
bool placeAlongShot(ShotCameraState& shot);
// Eases the camera towards a spot `offsetBack` behind the target point p and
// 0.3 above it, and turns it straight at p.
void easeBehindTarget(ShotCameraState& shot, Vector3 p, float offsetBack);
// End sequence: gameplay camera back, camera destroyed, normal game speed.
void endShotCamera(ShotCameraState& shot, bool& running);
// Counts one update of a running camera; the end sequence once the camera has
// had kMaxShotCameraUpdates of them.
void endIfOverdue(ShotCameraState& shot, bool& running);
