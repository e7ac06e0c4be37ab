// The plug-in's own load written down as the model writes its result, so the
// two can be compared (settings_model.h).
#pragma once

#include <algorithm>
#include <iterator>
#include <string>

#include "settings/catalogue.h"
#include "settings/key_bindings.h"
#include "settings_model.h"

// What one first start of the plug-in decided.
inline model::Settings decided(const StartupSettings& loaded, const std::string& printed) {
    model::Settings s;
    s.printed = printed;
    s.toggleKey = loaded.toggleKey;
    const CameraSwitches& on = loaded.switches;
    const bool switches[6] = {on.EnableKnifeCamera,      on.EnableArrowCamera,      on.EnableTomahawkCamera,
                              on.EnableDynamiteCamera, on.EnableFireBottleCamera, on.EnableBulletLineCamera};
    std::copy(std::begin(switches), std::end(switches), s.switches);
    const float numbers[7] = {BulletCamSpeed,    LingerTime,     CameraOffsetBack, slowMotionFactor,
                              BulletLingerSpeed, BowLingerSpeed, BowCamSpeed};
    std::copy(std::begin(numbers), std::end(numbers), s.numbers);
    s.bindings.insert(keyBindings.begin(), keyBindings.end());
    return s;
}

// A first start on the rules alone, in memory, with `file` as the file's content.
inline model::Settings textLoad(const std::string& file) {
    keyBindings.clear();
    resetFloatSettings();
    std::string printed;
    const StartupSettings loaded = loadSettingsFromText(file, printed);
    return decided(loaded, printed);
}
