// Shot detection: starts the bullet or arrow camera for the weapons of the
// shot table, then updates whichever shot cameras are running.
#pragma once

#include <cstdint>

#include "settings/catalogue.h"

// The shot weapon table (public for the tools that stage shots).
// Guns that always start the bullet camera; 0x99A23408 only when switched on.
constexpr uint32_t kBulletGuns[] = {0x4E328256, 0x53944780, 0x63F46DE6, 0x772C8DD6, 0xDDF7BC1E, 0xE1D2B317};
constexpr uint32_t kGatedBulletGun = 0x99A23408;
// The bow that always starts the arrow camera; 0x06E0F12B only when switched on.
constexpr uint32_t kBow = 0x88A8505C;
constexpr uint32_t kGatedBow = 0x06E0F12B;

void dispatchShot(const CameraSwitches& switches);
