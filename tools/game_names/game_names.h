// What the game and its players call the weapons and models that the plug-in
// knows only by hash, and the keys it knows only by code. The rows come from
// game/names.tsv, turned into C++ at build time (cmake/game_names.cmake). For
// the tools: the plug-in never shows a name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/catalogue.h"

namespace tools {

struct GameName {
    uint32_t hash;
    const char* kind;        // "weapon" or "model"
    const char* identifier;  // the game's own, which it hashes; "?" when not recovered
    const char* name;        // what a player calls it
};

extern const GameName kGameNames[];
extern const size_t kGameNameCount;

// The row of `hash`, or nullptr.
const GameName* findGameName(uint32_t hash);

// A hash as the tools and scenario files write it: "0x99A23408".
std::string hashText(uint32_t hash);
// How the tools write a weapon or model: the name a player knows, with the
// hash a modder may need, "Elephant rifle (0x99A23408)"; the hash alone when
// the file has no row for it.
std::string nameWithHash(uint32_t hash);

// The weapons and thrown models of the plug-in's tables, as the tools show
// and stage them: each with its kind and the switch that lets it start a camera.
struct Weapon {
    uint32_t hash;
    const char* kind;     // "gun", "bow", "knife", "tomahawk", "dynamite", "fire bottle"
    const Setting* gate;  // the switch it needs; null: none
};

// In the order of the plug-in's tables: the guns, the bows, then the thrown models.
const std::vector<Weapon>& pluginWeapons();

// The tools' one table of keys. Short name of a Windows virtual-key code ("N",
// "F5", "SPACE", "left mouse button"); empty when no key has that code.
std::string keyName(int code);
// The value a settings file gives for the code: a letter, F1 to F24, one of
// the plug-in's named keys, else the code in hexadecimal.
std::string keyText(int32_t code);

}  // namespace tools
