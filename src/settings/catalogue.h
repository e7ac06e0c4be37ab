// Everything the plug-in takes from "Veltrix.ini", and the start-up load.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Section "Lingering": module-level, statically initialised to their defaults,
// overwritten once by the start-up load (each read falls back to the current value).
extern float BulletCamSpeed;
extern float LingerTime;
extern float CameraOffsetBack;
extern float slowMotionFactor;
extern float BulletLingerSpeed;
extern float BowLingerSpeed;
extern float BowCamSpeed;

// Section "Projectiles": held by the script for the life of its loop.
struct CameraSwitches {
    bool EnableKnifeCamera = true;
    bool EnableArrowCamera = true;
    bool EnableTomahawkCamera = true;
    bool EnableDynamiteCamera = true;
    bool EnableFireBottleCamera = true;
    bool EnableBulletLineCamera = true;
};

constexpr int32_t kDefaultToggleKey = 78;  // the N key

struct StartupSettings {
    int32_t toggleKey = kDefaultToggleKey;
    CameraSwitches switches;
};

// ---- The settings, one table -------------------------------------------------------------
enum class SettingKind { Key, Switch, Number };

// One setting of "Veltrix.ini": its key, the section it is read from (none
// for the key binding, read in any section), how it is read, its default
// (the key code; 1 for a switch, whose fallback is always on; the number)
// and what holds it.
struct Setting {
    const char* key;
    const char* section;
    SettingKind kind;
    float defaultValue;
    float* number;               // Number: the module-level variable
    bool CameraSwitches::*on;    // Switch: the field of the script's switches
};

// The fourteen, in reading order: the toggle key, the six switches, the seven numbers.
extern const Setting kSettings[14];

// The row of `key`, compared exactly; null for none.
const Setting* findSetting(std::string_view key);
// The row of a setting, by what holds it: for tools that name a setting
// through the plug-in's own variable or switch.
const Setting& settingOf(const float& number);
const Setting& settingOf(bool CameraSwitches::*on);

// Key bindings, then the six switches, then the seven numbers, in catalogue
// order; each of the fourteen reads opens and reads "Veltrix.ini" afresh.
// Never throws: whatever the file holds, a setting that cannot be read keeps its value.
StartupSettings loadSettings();

// The same load with `text` as the file's content for every read and the
// key-binding messages appended to `printed` instead of printed: the rules
// alone, in memory, for checks that run over many files.
StartupSettings loadSettingsFromText(const std::string& text, std::string& printed);

// Puts the seven numbers back to their load-time defaults (a fresh library load).
void resetFloatSettings();
