// Thrown explosive camera.
//
// Each pass does exactly one of: track the followed object; search for a new
// one (tracking it at once when found); linger on a held view; nothing. The
// camera jumps to its pose every pass, without smoothing. Losing the object
// ends the camera at once; only the slowing fire bottle is held and lingered on.
#include "cameras/explosive_camera.h"

#include "cameras/thrown.h"

constexpr float kBackOffset = 2.0f;
constexpr float kUpOffset = 0.8f;

// ---- Tracking step -------------------------------------------------------
static void trackExplosive(ExplosiveCameraState& mode) {
    const Entity object = mode.tracked;
    if (!entityExists(object) || isAttached(object)) {
        mode.tracked = 0;
        mode.lastFollowed = 0;
        mode.lingerTimer = 0.0f;
        // Lost, not finished: no linger, and the time scale is left alone.
        if (mode.camera != 0) endCamera(mode.camera, kExplosiveStyle, false);
        return;
    }
    const Vector3 p = entityPosition(object);
    const Vector3 v = entityVelocity(object);
    const float speed = vectorLength(v);
    const uint32_t model = entityModel(object);

    if (inSet(kAnySpeedModels, model) || speed >= kExplosiveHoldSpeed) {
        float dx = 0.0f;
        float dy = 0.0f;
        if (speed > kMovingThreshold) {
            dx = v.x / speed;
            dy = v.y / speed;
        }
        placeCamera(mode.camera, {p.x - kBackOffset * dx, p.y - kBackOffset * dy, p.z + kUpOffset}, p);
        return;
    }
    // The hold rule: keep this view and linger from the next pass on.
    mode.heldCameraPos = cameraPosition(mode.camera);
    mode.heldLookAt = p;
    mode.tracked = 0;
    mode.lingerTimer = 0.0f;
}

// ---- Search: take up the first qualifying explosive ------------------------
static bool searchExplosive(ScriptState& state) {
    ExplosiveCameraState& mode = state.explosive;
    const CameraSwitches& switches = state.switches;
    for (int32_t i = 0; i < state.objectCount; ++i) {
        const Entity object = state.objects[i];
        const uint32_t model = entityModel(object);
        const bool dynamite = inSet(kDynamiteModels, model);
        if (!dynamite && !inSet(kFireBottleModels, model)) continue;
        if (isAttached(object)) continue;
        if (object == mode.lastFollowed) continue;
        if (!isNearPlayer(object)) continue;
        if (!(dynamite ? switches.EnableDynamiteCamera : switches.EnableFireBottleCamera)) continue;
        if (!(vectorLength(entityVelocity(object)) > kMovingThreshold)) continue;

        mode.tracked = object;
        mode.lastFollowed = object;
        // A lingering camera is taken over as it is.
        if (mode.camera == 0) startCamera(mode.camera, kExplosiveStyle, 1.0f);
        return true;
    }
    return false;
}

// ---- Linger step -----------------------------------------------------------
static void lingerExplosive(ExplosiveCameraState& mode) {
    if (!(mode.lingerTimer < LingerTime)) {  // a NaN LingerTime ends, too
        endCamera(mode.camera, kExplosiveStyle, true);
        return;
    }
    mode.lingerTimer += kPassStep;
    placeCamera(mode.camera, mode.heldCameraPos, mode.heldLookAt);
}

void updateExplosiveCamera(ScriptState& state) {
    ExplosiveCameraState& mode = state.explosive;
    if (mode.tracked != 0 || searchExplosive(state))
        trackExplosive(mode);
    else if (mode.camera != 0)
        lingerExplosive(mode);
}
