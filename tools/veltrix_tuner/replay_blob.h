// The one format in which a replay reaches the tuner page, whether the
// page's module just played it or veltrix-sim recorded it (in-process or the
// real DLL under Wine): a blob the page decodes as it is.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "scenario.h"

namespace tuner {

// One answer of the module (and a replay is one): the length of a JSON header
// (4 bytes, little endian), the header, zeros to a multiple of 4, then
// `bytes`, which so start 4-aligned for the page's Float32Array.
std::string envelope(const nlohmann::json& header, std::string_view bytes = {});

// A trace as a replay: `header` with the scenario's and the trace's figures
// added (name, description, passes, played, player, launchBone, objects,
// lives, timeScaleCalls, protocolErrors, output as the tools show it,
// outputBytes), then the passes as 32-bit floats, each:
//   time scale, scripted view (0 or 1), native calls, camera count, then per
//   live camera: handle, position x y z, look point x y z, phase (its letter's
//   code), field of view (0: left to the host); object count, then per object
//   that the scenario names: its index in the header's "objects", position x y z.
std::string encodeReplay(const sim::Scenario& scenario, const sim::Trace& trace, const std::string& output,
                         nlohmann::json header);

}  // namespace tuner
