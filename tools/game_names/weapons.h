// The weapons and thrown models of the plug-in's tables, as the tools show
// and stage them: each with its kind and the switch that lets it start a camera.
#pragma once

#include <cstdint>
#include <vector>

#include "settings/catalogue.h"

namespace tools {

struct Weapon {
    uint32_t hash;
    const char* kind;     // "gun", "bow", "knife", "tomahawk", "dynamite", "fire bottle"
    const Setting* gate;  // the switch it needs; null: none
};

// In the order of the plug-in's tables: the guns, the bows, then the thrown models.
const std::vector<Weapon>& pluginWeapons();

// The row of `hash`, or nullptr.
const Weapon* findWeapon(uint32_t hash);

}  // namespace tools
