// What the game and its players call the weapons and models that the plug-in
// knows only by hash. The rows come from game/names.tsv, turned into C++ at
// build time (cmake/game_names.cmake). For the tools: the plug-in never shows
// a name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

// How the tools write a weapon or model: the name a player knows, with the
// hash a modder may need, "Elephant rifle (0x99A23408)"; the hash alone when
// the file has no row for it.
std::string nameWithHash(uint32_t hash);

}  // namespace tools
