// The settings tuner's core: everything the tuner page does with a settings
// file, done by the plug-in's own code and ini-check's. Portable: compiled
// into the page's WebAssembly module, and natively for its tests. The page
// only draws what these functions return; a file crosses as bytes.
#pragma once

#include <string>

namespace tuner {

// What the plug-in makes of `file`, as JSON: each line's bytes (offsets) and
// its fate in ini-check's words, the warnings, the fourteen settings as the
// plug-in reads them with the line that decides each, the lines the plug-in
// prints, and what the numbers mean in the game.
std::string analyse(const std::string& file);

// `file` with one setting changed: the line that decides it is rewritten (its
// value only), or, when none does, a line is added under the section header
// that the plug-in reads the setting from. Every other byte stays. `value`
// is, for a number, the text to write (anything: "-1", "inf", "5e-2"); for a
// switch "1" (on) or "0" (off); for ToggleKey the virtual-key code in decimal.
// False, with the reason in `problem`, when it cannot be written.
bool editSetting(const std::string& file, const std::string& key, const std::string& value, std::string& edited,
                 std::string& problem);

// The text a slider writes for `wanted`: the shortest that reads back as the
// same float, with an exponent below 1 as the shipped file writes them.
std::string numberText(double wanted);

// One scenario (JSON) played through the plug-in's core with `file` as the
// settings file (null: the scenario's own), to the end of its last camera, in
// `workDirectory`. One blob: the length of a JSON header (4 bytes, little
// endian), the header, zeros to a multiple of 4, then the passes as 32-bit
// floats (layout in tuner.cpp). A scenario that cannot run gives a header
// with "error".
std::string replay(const std::string& scenarioJson, const std::string* file, const std::string& workDirectory);

// A run recorded elsewhere (the real plug-in under Wine, say), as the same
// blob: {"scenario": the scenario's JSON, "trace": the trace's JSON,
// "output": what the plug-in printed, its bytes as code points}.
std::string recordedReplay(const std::string& runJson);

// The bundled scenarios: [{"file", "json"}].
std::string bundledScenarios();
// The weapons and throwables of the plug-in's tables, each with its name as
// the tools write it ("Elephant rifle (0x99A23408)"), and the keys a toggle
// key can be, for the page's pickers and help texts.
std::string tables();
// A scenario (JSON) of one shot or throw: {"weapon": hash of a weapon or
// throwable model of the tables, "distance": metres (2 to 150), "height":
// metres above the player (-30 to 30), "speed": the target's speed across the
// line of fire (m/s)}. Empty, with the reason, for an unknown weapon.
std::string customShot(const std::string& paramsJson, std::string& problem);

}  // namespace tuner
