#include "cameras/rig.h"

#include <cmath>

#include "host/native.h"

// ---- Native hashes -------------------------------------------------------
constexpr uint64_t kCreateCamera = 0xE72CDBA7F0A02DD6;
constexpr uint64_t kActivateCamera = 0x87295BCA613800C8;
constexpr uint64_t kRenderSwitch = 0x33281167E4942E4F;
constexpr uint64_t kSetCameraPosition = 0xF9EE7D419EE49DE6;
constexpr uint64_t kPointCamera = 0x948B39341C3A40C2;
constexpr uint64_t kNearClip = 0xA924028272A61364;
constexpr uint64_t kFieldOfView = 0x27666E5988D9D429;
constexpr uint64_t kDestroyCamera = 0x4E67E0B6D7FD5145;
constexpr uint64_t kTimeScale = 0x9682AF6050854856;
constexpr uint64_t kCameraPosition = 0x6B12F11C2A9F0344;
constexpr uint64_t kEntityExists = 0xD42BD6EB2E0F1677;
constexpr uint64_t kPlayerPed = 0x096275889B8E0EE0;
constexpr uint64_t kEntityPosition = 0xA86D5F069399F44D;
constexpr uint64_t kEntityVelocity = 0x4805D2B1D8CF94A9;
constexpr uint64_t kAttachment = 0xEE6AD63ABF59C0B7;

static const char kScriptedCameraName[] = "DEFAULT_SCRIPTED_CAMERA";
constexpr float kNearDistanceSquared = 25.0f;  // 5 m

// ---- Cameras -------------------------------------------------------------
Camera createCamera() {
    return resultInt(invokeNative(kCreateCamera, argPointer(kScriptedCameraName), argInt(1)));
}
void activateCamera(Camera camera) { invokeNative(kActivateCamera, argInt(camera), argInt(1)); }
void renderSwitch(int32_t on, int32_t secondFlag) {
    invokeNative(kRenderSwitch, argInt(on), argInt(secondFlag), argInt(0), argInt(1), argInt(0), argInt(0));
}
void setCameraPosition(Camera camera, Vector3 p) {
    invokeNative(kSetCameraPosition, argInt(camera), argFloat(p.x), argFloat(p.y), argFloat(p.z));
}
void pointCamera(Camera camera, Vector3 p) {
    invokeNative(kPointCamera, argInt(camera), argFloat(p.x), argFloat(p.y), argFloat(p.z));
}
void setNearClip(Camera camera, float nearClip) { invokeNative(kNearClip, argInt(camera), argFloat(nearClip)); }
void setFieldOfView(Camera camera, float degrees) { invokeNative(kFieldOfView, argInt(camera), argFloat(degrees)); }
void destroyCamera(Camera camera) { invokeNative(kDestroyCamera, argInt(camera), argInt(1)); }
Vector3 cameraPosition(Camera camera) { return resultVector3(invokeNative(kCameraPosition, argInt(camera))); }
void setTimeScale(float factor) { invokeNative(kTimeScale, argFloat(factor)); }

// ---- World queries -------------------------------------------------------
bool entityExists(Entity entity) { return resultBool(invokeNative(kEntityExists, argInt(entity))); }
Entity playerPed() { return resultInt(invokeNative(kPlayerPed)); }
Vector3 entityPosition(Entity entity) {
    return resultVector3(invokeNative(kEntityPosition, argInt(entity), argInt(1), argInt(1)));
}
Vector3 entityVelocity(Entity entity) {
    return resultVector3(invokeNative(kEntityVelocity, argInt(entity), argInt(1)));
}
bool isAttached(Entity entity) { return resultBool(invokeNative(kAttachment, argInt(entity))); }

bool isNearPlayer(Entity entity) {
    if (!entityExists(entity)) return false;
    const Vector3 player = entityPosition(playerPed());
    const Vector3 object = entityPosition(entity);
    const float dx = object.x - player.x;
    const float dy = object.y - player.y;
    const float dz = object.z - player.z;
    return dx * dx + dy * dy + dz * dz <= kNearDistanceSquared;
}

float vectorLength(Vector3 v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// ---- Sequences shared by the modes ---------------------------------------
constexpr float kNearClipDistance = 0.01f;
constexpr float kFieldOfViewDegrees = 60.0f;

void startCamera(Camera& handle, const CameraStyle& style, float timeScale) {
    if (style.destroyLeftover && handle != 0) destroyCamera(handle);
    handle = createCamera();
    activateCamera(handle);
    renderSwitch(1, 0);
    setTimeScale(timeScale);
    if (style.setLens) {
        setNearClip(handle, kNearClipDistance);
        setFieldOfView(handle, kFieldOfViewDegrees);
    }
}

void placeCamera(Camera camera, Vector3 position, Vector3 lookAt) {
    setCameraPosition(camera, position);
    pointCamera(camera, lookAt);
}

void endCamera(Camera& handle, const CameraStyle& style, bool restoreTimeScale) {
    renderSwitch(0, style.endSecondFlag);
    destroyCamera(handle);
    handle = 0;
    if (restoreTimeScale) setTimeScale(1.0f);
}
