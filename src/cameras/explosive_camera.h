// Thrown explosive camera: rides behind and above thrown dynamite and fire bottles.
#pragma once

#include "cameras/script_state.h"

// Model hashes of the explosives it follows (public for the tools that stage throws).
constexpr uint32_t kDynamiteModels[] = {0x094A2080, 0xD6E9BBBC};
constexpr uint32_t kFireBottleModels[] = {0xE5C6289E, 0xFF2EDB6F};
// Followed at any speed; every other explosive is held once slower than the hold speed.
constexpr uint32_t kAnySpeedModels[] = {0xD6E9BBBC, 0x094A2080, 0xFF2EDB6F};
constexpr float kExplosiveHoldSpeed = 5.0f;  // metres per second

void updateExplosiveCamera(ScriptState& state);
