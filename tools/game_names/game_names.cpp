#include "game_names.h"

#include <cstdio>

namespace tools {

const GameName* findGameName(uint32_t hash) {
    for (size_t k = 0; k < kGameNameCount; ++k)
        if (kGameNames[k].hash == hash) return &kGameNames[k];
    return nullptr;
}

std::string nameWithHash(uint32_t hash) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hash));
    const GameName* row = findGameName(hash);
    return row ? std::string(row->name) + " (" + text + ")" : std::string(text);
}

}  // namespace tools
