// Thrown blade camera.
//
// Idle, it searches the snapshot for a knife or tomahawk that the player has
// just thrown (near, unattached, moving). Live, every blade in flight anywhere
// in the snapshot pulls the smoothed camera after it; when none is in flight
// the camera holds its last view until the shared linger budget runs out.
#include "cameras/blade_camera.h"

#include "cameras/thrown.h"

constexpr float kCameraRate = 0.1f;
constexpr float kLookRate = 0.05f;
constexpr float kBackOffset = 2.0f;
constexpr float kUpOffset = 1.0f;
constexpr float kLookLead = 0.5f;

static bool isBladeModel(uint32_t model) { return inSet(kKnifeModels, model) || inSet(kTomahawkModels, model); }

static float smoothStep(float current, float target, float rate) { return current + (target - current) * rate; }

// ---- Search: start on the first qualifying blade --------------------------
static void searchBlade(ScriptState& state) {
    BladeCameraState& blade = state.blade;
    const CameraSwitches& switches = state.switches;
    const int32_t count = state.objectCount;
    for (int32_t i = 0; i < count; ++i) {
        const Entity object = state.objects[i];
        const uint32_t model = entityModel(object);
        const bool wanted = (inSet(kKnifeModels, model) && switches.EnableKnifeCamera) ||
                            (inSet(kTomahawkModels, model) && switches.EnableTomahawkCamera);
        if (!wanted) continue;
        if (isAttached(object)) continue;
        if (!isNearPlayer(object)) continue;
        if (!(vectorLength(entityVelocity(object)) > kMovingThreshold)) continue;

        const Vector3 position = entityPosition(object);
        startCamera(blade.camera, kBladeStyle, 1.0f);
        blade.active = true;
        blade.lingerTimer = 0.0f;
        // Not placed in this pass: the first smoothing step comes next pass.
        blade.cameraPos = position;
        blade.lookAt = position;
        return;
    }
}

// ---- Follow: every blade in flight steps and places the camera -------------
static void followBlade(ScriptState& state) {
    BladeCameraState& blade = state.blade;
    bool found = false;
    const int32_t count = state.objectCount;
    for (int32_t i = 0; i < count; ++i) {
        const Entity object = state.objects[i];
        if (!isBladeModel(entityModel(object))) continue;
        if (isAttached(object)) continue;
        const Vector3 v = entityVelocity(object);
        const float speed = vectorLength(v);
        if (!(speed > kMovingThreshold)) continue;
        const Vector3 p = entityPosition(object);

        blade.cameraPos.x = smoothStep(blade.cameraPos.x, p.x - kBackOffset * v.x / speed, kCameraRate);
        blade.cameraPos.y = smoothStep(blade.cameraPos.y, p.y - kBackOffset * v.y / speed, kCameraRate);
        blade.cameraPos.z = smoothStep(blade.cameraPos.z, p.z + kUpOffset, kCameraRate);
        blade.lookAt.x = smoothStep(blade.lookAt.x, p.x + kLookLead * v.x, kLookRate);
        blade.lookAt.y = smoothStep(blade.lookAt.y, p.y + kLookLead * v.y, kLookRate);
        blade.lookAt.z = smoothStep(blade.lookAt.z, p.z + kLookLead * v.z, kLookRate);
        placeCamera(blade.camera, blade.cameraPos, blade.lookAt);
        found = true;
    }
    if (found) return;

    // No blade in flight: linger on the last view, or end. Written so that a
    // NaN LingerTime ends the linger rather than never.
    if (!(blade.lingerTimer < LingerTime)) {
        endCamera(blade.camera, kBladeStyle, true);
        blade.active = false;
        blade.lingerTimer = 0.0f;
        return;
    }
    blade.lingerTimer += kPassStep;
    placeCamera(blade.camera, blade.cameraPos, blade.lookAt);
}

void updateBladeCamera(ScriptState& state) {
    if (state.blade.active)
        followBlade(state);
    else
        searchBlade(state);
}
