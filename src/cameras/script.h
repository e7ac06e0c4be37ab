// The script: start-up, the per-frame pass and the state that outlives a pass.
#pragma once

#include <cstdint>

#include "cameras/script_state.h"

// Switched on at load; only the toggle changes it.
extern bool enabled;
// 1 where that virtual key was down at the previous poll.
extern uint8_t keyWasDown[256];

// The registered script: startScript, then runPass and scriptWait(0) for ever.
void ScriptMain();

// The script's start-up: the settings load, and the state at its initial values.
void startScript(ScriptState& state);

// One pass without its closing scriptWait(0): toggle poll, and while switched
// on the snapshot and the camera modes in their fixed order.
void runPass(ScriptState& state);

// Puts every module-level variable back to its load-time value, as a fresh
// load of the library would. For hosts that run the script more than once in
// one process (the simulator's tests).
void resetModuleState();
