// Thrown blade camera: chases a thrown knife or tomahawk with a smoothed camera.
#pragma once

#include "cameras/script_state.h"

// Model hashes of the blades it follows (public for the tools that stage throws).
constexpr uint32_t kKnifeModels[] = {0x5F30F384, 0xDE1EF2B2};
constexpr uint32_t kTomahawkModels[] = {0xC82FC323, 0x71A5960C, 0xAC1A0AF8, 0x8F44D14A};

void updateBladeCamera(ScriptState& state);
