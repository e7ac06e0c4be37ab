// A modder's own shot or throw, staged as a scenario of one event.
#pragma once

#include <nlohmann/json.hpp>

#include "scenario.h"

namespace tuner {

// `params`: {"weapon": hash of a weapon or throwable model of the tables
// ("0x99A23408"), "distance": metres (2 to 150), "height": metres above the
// player (-30 to 30), "speed": the target's speed across the line of fire
// (m/s, -20 to 20)}; values outside are brought within. Throws
// std::runtime_error, with the reason, for an unknown weapon.
sim::Scenario customShot(const nlohmann::json& params);

}  // namespace tuner
