// Constants shared by the two thrown-projectile modes.
#pragma once

#include "cameras/hash_set.h"

constexpr float kPassStep = 0.016f;        // linger timers advance this much per pass
constexpr float kMovingThreshold = 0.01f;  // an object is in flight above this speed
