// The scenarios shipped inside the tools that preview settings (veltrix-check,
// the tuner): every file of scenarios/, as text, generated at build time by
// cmake/bundled_scenarios.cmake.
#pragma once

#include <cstddef>

namespace tools {

struct BundledScenario {
    const char* file;
    const char* json;
};
extern const BundledScenario kBundledScenarios[];
extern const size_t kBundledScenarioCount;

}  // namespace tools
