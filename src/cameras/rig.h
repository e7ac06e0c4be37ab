// The camera rig: one named operation per host native that the camera modes
// use, and the start, placement and end sequences they share. The rig keeps
// no state; every handle belongs to the mode that created it.
#pragma once

#include <cstdint>

#include "host/native.h"
#include "host/vector3.h"

typedef int32_t Entity;
typedef int32_t Camera;

// Cameras.
Camera createCamera();
void activateCamera(Camera camera);
void renderSwitch(int32_t on, int32_t secondFlag);
void setCameraPosition(Camera camera, Vector3 position);
void pointCamera(Camera camera, Vector3 target);
void setNearClip(Camera camera, float nearClip);
void setFieldOfView(Camera camera, float degrees);
void destroyCamera(Camera camera);
Vector3 cameraPosition(Camera camera);
void setTimeScale(float factor);

// World queries.
bool entityExists(Entity entity);
Entity playerPed();
Vector3 entityPosition(Entity entity);
// Inline: every scan asks it once per snapshot object, so it is the hottest call.
constexpr uint64_t kEntityModel = 0xDA76A9F39210D365;
inline uint32_t entityModel(Entity entity) {
    return static_cast<uint32_t>(resultInt(invokeNative(kEntityModel, argInt(entity))));
}
Vector3 entityVelocity(Entity entity);
bool isAttached(Entity entity);
// True when the entity exists and lies within 5 m of the player.
bool isNearPlayer(Entity entity);

float vectorLength(Vector3 v);

// How one mode's start and end differ from the shared sequences.
struct CameraStyle {
    bool destroyLeftover;  // destroy a nonzero handle before creating (shot cameras)
    bool setLens;          // near clip and field of view after the time scale
    int32_t endSecondFlag; // second flag of the render switch at the end
};

constexpr CameraStyle kBladeStyle = {false, false, 0};
constexpr CameraStyle kExplosiveStyle = {false, true, 1};
constexpr CameraStyle kShotStyle = {true, false, 1};

// Create, activate, render, then the mode's time scale (and lens, if asked).
void startCamera(Camera& handle, const CameraStyle& style, float timeScale);
// Position first, then the point to look at, on the same handle.
void placeCamera(Camera camera, Vector3 position, Vector3 lookAt);
// Render back to gameplay, destroy, clear the handle; time scale 1.0 if asked.
void endCamera(Camera& handle, const CameraStyle& style, bool restoreTimeScale);
