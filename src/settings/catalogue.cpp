#include "settings/catalogue.h"

#include "settings/key_bindings.h"
#include "settings/settings_file.h"

namespace {

constexpr float kDefaultBulletCamSpeed = 3.5f;
constexpr float kDefaultLingerTime = 2.5f;
constexpr float kDefaultCameraOffsetBack = 2.0f;
constexpr float kDefaultSlowMotionFactor = 0.05f;
constexpr float kDefaultBulletLingerSpeed = 0.05f;
constexpr float kDefaultBowLingerSpeed = 0.05f;
constexpr float kDefaultBowCamSpeed = 0.7f;

// The key strings are built at the call, outside the reads' own guards, so a
// failed allocation is caught here too: the setting keeps what it has.
bool readSwitch(const char* key) {
    try {
        return readBool(kSettingsPath, "Projectiles", key);
    } catch (...) {
        return true;
    }
}

float readNumber(const char* key, float current) {
    try {
        return readFloat(kSettingsPath, "Lingering", key, current);
    } catch (...) {
        return current;
    }
}

}  // namespace

const char* const kSettingsPath = "Veltrix.ini";

float BulletCamSpeed = kDefaultBulletCamSpeed;
float LingerTime = kDefaultLingerTime;
float CameraOffsetBack = kDefaultCameraOffsetBack;
float slowMotionFactor = kDefaultSlowMotionFactor;
float BulletLingerSpeed = kDefaultBulletLingerSpeed;
float BowLingerSpeed = kDefaultBowLingerSpeed;
float BowCamSpeed = kDefaultBowCamSpeed;

StartupSettings loadSettings() {
    // Every step swallows its own failures, so a bad file costs at most the
    // settings it spoils and never the start of the script.
    StartupSettings settings;
    loadKeyBindings();
    const auto toggle = keyBindings.find("ToggleKey");
    if (toggle != keyBindings.end()) settings.toggleKey = toggle->second;

    CameraSwitches& on = settings.switches;
    on.EnableKnifeCamera = readSwitch("EnableKnifeCamera");
    on.EnableArrowCamera = readSwitch("EnableArrowCamera");
    on.EnableTomahawkCamera = readSwitch("EnableTomahawkCamera");
    on.EnableDynamiteCamera = readSwitch("EnableDynamiteCamera");
    on.EnableFireBottleCamera = readSwitch("EnableFireBottleCamera");
    on.EnableBulletLineCamera = readSwitch("EnableBulletLineCamera");

    BulletCamSpeed = readNumber("BulletCamSpeed", BulletCamSpeed);
    LingerTime = readNumber("LingerTime", LingerTime);
    CameraOffsetBack = readNumber("CameraOffsetBack", CameraOffsetBack);
    slowMotionFactor = readNumber("slowMotionFactor", slowMotionFactor);
    BulletLingerSpeed = readNumber("BulletLingerSpeed", BulletLingerSpeed);
    BowLingerSpeed = readNumber("BowLingerSpeed", BowLingerSpeed);
    BowCamSpeed = readNumber("BowCamSpeed", BowCamSpeed);
    return settings;
}

void resetFloatSettings() {
    BulletCamSpeed = kDefaultBulletCamSpeed;
    LingerTime = kDefaultLingerTime;
    CameraOffsetBack = kDefaultCameraOffsetBack;
    slowMotionFactor = kDefaultSlowMotionFactor;
    BulletLingerSpeed = kDefaultBulletLingerSpeed;
    BowLingerSpeed = kDefaultBowLingerSpeed;
    BowCamSpeed = kDefaultBowCamSpeed;
}
