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

// Each read takes the file afresh, or the text it is given. A failure of any
// kind (no memory, say) leaves the setting as it is.
bool readSwitch(const std::string* given, const char* key) {
    try {
        return given ? boolFromText(*given, "Projectiles", key) : readBool(kSettingsPath, "Projectiles", key);
    } catch (...) {
        return true;
    }
}

float readNumber(const std::string* given, const char* key, float current) {
    try {
        return given ? floatFromText(*given, "Lingering", key, current)
                     : readFloat(kSettingsPath, "Lingering", key, current);
    } catch (...) {
        return current;
    }
}

StartupSettings load(const std::string* given, std::string& printed) {
    StartupSettings settings;
    if (!given) {
        loadKeyBindings();
    } else {
        try {
            bindKeys(*given, keyBindings, printed);
        } catch (...) {
            // No memory: the bindings and messages so far stand, as in the file's load.
        }
    }
    const auto toggle = keyBindings.find("ToggleKey");
    if (toggle != keyBindings.end()) settings.toggleKey = toggle->second;

    CameraSwitches& on = settings.switches;
    on.EnableKnifeCamera = readSwitch(given, "EnableKnifeCamera");
    on.EnableArrowCamera = readSwitch(given, "EnableArrowCamera");
    on.EnableTomahawkCamera = readSwitch(given, "EnableTomahawkCamera");
    on.EnableDynamiteCamera = readSwitch(given, "EnableDynamiteCamera");
    on.EnableFireBottleCamera = readSwitch(given, "EnableFireBottleCamera");
    on.EnableBulletLineCamera = readSwitch(given, "EnableBulletLineCamera");

    BulletCamSpeed = readNumber(given, "BulletCamSpeed", BulletCamSpeed);
    LingerTime = readNumber(given, "LingerTime", LingerTime);
    CameraOffsetBack = readNumber(given, "CameraOffsetBack", CameraOffsetBack);
    slowMotionFactor = readNumber(given, "slowMotionFactor", slowMotionFactor);
    BulletLingerSpeed = readNumber(given, "BulletLingerSpeed", BulletLingerSpeed);
    BowLingerSpeed = readNumber(given, "BowLingerSpeed", BowLingerSpeed);
    BowCamSpeed = readNumber(given, "BowCamSpeed", BowCamSpeed);
    return settings;
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
    std::string unused;  // the file's load prints its own messages
    return load(nullptr, unused);
}

StartupSettings loadSettingsFromText(const std::string& text, std::string& printed) { return load(&text, printed); }

void resetFloatSettings() {
    BulletCamSpeed = kDefaultBulletCamSpeed;
    LingerTime = kDefaultLingerTime;
    CameraOffsetBack = kDefaultCameraOffsetBack;
    slowMotionFactor = kDefaultSlowMotionFactor;
    BulletLingerSpeed = kDefaultBulletLingerSpeed;
    BowLingerSpeed = kDefaultBowLingerSpeed;
    BowCamSpeed = kDefaultBowCamSpeed;
}
