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
bool readSwitch(const std::string* given, const Setting& s) {
    try {
        return given ? boolFromText(*given, s.section, s.key) : readBool(kSettingsPath, s.section, s.key);
    } catch (...) {
        return true;
    }
}

float readNumber(const std::string* given, const Setting& s, float current) {
    try {
        return given ? floatFromText(*given, s.section, s.key, current)
                     : readFloat(kSettingsPath, s.section, s.key, current);
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
    const auto toggle = keyBindings.find(kSettings[0].key);
    if (toggle != keyBindings.end()) settings.toggleKey = toggle->second;

    // The table's order is the reading order: the switches, then the numbers.
    for (const Setting& s : kSettings) {
        if (s.kind == SettingKind::Switch) settings.switches.*s.on = readSwitch(given, s);
        if (s.kind == SettingKind::Number) *s.number = readNumber(given, s, *s.number);
    }
    return settings;
}

}  // namespace

float BulletCamSpeed = kDefaultBulletCamSpeed;
float LingerTime = kDefaultLingerTime;
float CameraOffsetBack = kDefaultCameraOffsetBack;
float slowMotionFactor = kDefaultSlowMotionFactor;
float BulletLingerSpeed = kDefaultBulletLingerSpeed;
float BowLingerSpeed = kDefaultBowLingerSpeed;
float BowCamSpeed = kDefaultBowCamSpeed;

const Setting kSettings[14] = {
    {"ToggleKey", "", SettingKind::Key, kDefaultToggleKey, nullptr, nullptr},
    {"EnableKnifeCamera", "Projectiles", SettingKind::Switch, 1, nullptr, &CameraSwitches::EnableKnifeCamera},
    {"EnableArrowCamera", "Projectiles", SettingKind::Switch, 1, nullptr, &CameraSwitches::EnableArrowCamera},
    {"EnableTomahawkCamera", "Projectiles", SettingKind::Switch, 1, nullptr, &CameraSwitches::EnableTomahawkCamera},
    {"EnableDynamiteCamera", "Projectiles", SettingKind::Switch, 1, nullptr, &CameraSwitches::EnableDynamiteCamera},
    {"EnableFireBottleCamera", "Projectiles", SettingKind::Switch, 1, nullptr,
     &CameraSwitches::EnableFireBottleCamera},
    {"EnableBulletLineCamera", "Projectiles", SettingKind::Switch, 1, nullptr,
     &CameraSwitches::EnableBulletLineCamera},
    {"BulletCamSpeed", "Lingering", SettingKind::Number, kDefaultBulletCamSpeed, &BulletCamSpeed, nullptr},
    {"LingerTime", "Lingering", SettingKind::Number, kDefaultLingerTime, &LingerTime, nullptr},
    {"CameraOffsetBack", "Lingering", SettingKind::Number, kDefaultCameraOffsetBack, &CameraOffsetBack, nullptr},
    {"slowMotionFactor", "Lingering", SettingKind::Number, kDefaultSlowMotionFactor, &slowMotionFactor, nullptr},
    {"BulletLingerSpeed", "Lingering", SettingKind::Number, kDefaultBulletLingerSpeed, &BulletLingerSpeed, nullptr},
    {"BowLingerSpeed", "Lingering", SettingKind::Number, kDefaultBowLingerSpeed, &BowLingerSpeed, nullptr},
    {"BowCamSpeed", "Lingering", SettingKind::Number, kDefaultBowCamSpeed, &BowCamSpeed, nullptr},
};

const Setting* findSetting(std::string_view key) {
    for (const Setting& s : kSettings)
        if (key == s.key) return &s;
    return nullptr;
}

const Setting& settingOf(const float& number) {
    for (const Setting& s : kSettings)
        if (s.number == &number) return s;
    return kSettings[0];
}

const Setting& settingOf(bool CameraSwitches::*on) {
    for (const Setting& s : kSettings)
        if (s.on == on) return s;
    return kSettings[0];
}

StartupSettings loadSettings() {
    std::string unused;  // the file's load prints its own messages
    return load(nullptr, unused);
}

StartupSettings loadSettingsFromText(const std::string& text, std::string& printed) { return load(&text, printed); }

void resetFloatSettings() {
    for (const Setting& s : kSettings)
        if (s.kind == SettingKind::Number) *s.number = s.defaultValue;
}
