// How fast the game runs at the time scale the plug-in sets: the game's
// documented limits, which the simulated world keeps and the tools explain.
#pragma once

namespace sim {

// The game takes at most 1.0 (normal speed) and, at 0, still runs at its
// slowest; the simulated game takes that to be 1 % of normal speed, for any
// scale up to it, below it or not a number. Nothing runs backwards or faster
// than normal.
constexpr float kSlowestGameSpeed = 0.01f;

inline float gameSpeed(float timeScale) {
    if (timeScale > 1.0f) return 1.0f;
    return timeScale > kSlowestGameSpeed ? timeScale : kSlowestGameSpeed;
}

}  // namespace sim
