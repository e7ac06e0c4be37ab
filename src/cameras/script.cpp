// The script's start-up and its per-frame pass.
#include "cameras/script.h"

#include <cstring>

#include "cameras/arrow_camera.h"
#include "cameras/blade_camera.h"
#include "cameras/bullet_camera.h"
#include "cameras/explosive_camera.h"
#include "cameras/shot_dispatch.h"
#include "host/host.h"
#include "settings/key_bindings.h"

bool enabled = true;
uint8_t keyWasDown[256] = {};

constexpr int16_t kKeyDownBit = static_cast<int16_t>(0x8000);
constexpr int32_t kKeyTableSize = 256;

// ---- Toggle --------------------------------------------------------------
// Switches on the release of the key, once per press. A code outside the
// table (the bindings accept any nonzero number) names no key the key-state
// query can report, so it is not polled and the plug-in stays as it is.
static void pollToggle(int32_t toggleKey) {
    if (toggleKey < 0 || toggleKey >= kKeyTableSize) return;
    const bool down = (hostKeyState(toggleKey) & kKeyDownBit) != 0;
    if (down) {
        keyWasDown[toggleKey] = 1;
    } else if (keyWasDown[toggleKey] == 1) {
        keyWasDown[toggleKey] = 0;
        enabled = !enabled;
    }
}

// ---- One pass ----------------------------------------------------------------
void runPass(ScriptState& state) {
    pollToggle(state.toggleKey);
    if (!enabled) return;

    const int32_t count = worldGetAllObjects(state.objects, kSnapshotCapacity);
    // A host that reports more than it could have written must not make any
    // mode read past the array.
    state.objectCount = count < 0 ? 0 : (count > kSnapshotCapacity ? kSnapshotCapacity : count);

    updateBladeCamera(state);
    updateExplosiveCamera(state);
    dispatchShot(state.switches);
}

void startScript(ScriptState& state) {
    state = ScriptState();
    const StartupSettings settings = loadSettings();
    state.toggleKey = settings.toggleKey;
    state.switches = settings.switches;
}

void ScriptMain() {
    static ScriptState state;
    startScript(state);
    for (;;) {
        runPass(state);
        scriptWait(0);
    }
}

void resetModuleState() {
    enabled = true;
    std::memset(keyWasDown, 0, sizeof keyWasDown);
    bulletCamActive = false;
    bulletCamera = ShotCameraState();
    arrowCamActive = false;
    arrowCamera = ShotCameraState();
    keyBindings.clear();
    resetFloatSettings();
}
