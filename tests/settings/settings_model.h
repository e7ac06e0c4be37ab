// A naive model of the settings load, written straight from the rules for
// "Veltrix.ini" (sections, switches, numbers, key bindings) with no regard for
// speed: a loop over lines, the plug-in's own number conversion, and
// std::stoi inside try/catch where a binding's number cannot be read. The tests and the differential fuzzer hold
// the plug-in's own load against it, file by file.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace model {

// Everything a load decides, in catalogue order.
struct Settings {
    int32_t toggleKey = 78;
    bool switches[6] = {};  // EnableKnifeCamera ... EnableBulletLineCamera
    float numbers[7] = {};  // BulletCamSpeed ... BowCamSpeed
    std::map<std::string, int32_t> bindings;
    std::string printed;  // the "Unknown key binding" lines
};

extern const char* const kSwitchKeys[6];
extern const char* const kNumberKeys[7];
extern const float kNumberDefaults[7];

// The load of a first start (empty binding table, every number at its
// default) from a file with this content; null: no file.
Settings load(const std::string* file);

// The first difference between two loads, or "" when they agree bit for bit.
std::string difference(const Settings& expected, const Settings& actual);

}  // namespace model
