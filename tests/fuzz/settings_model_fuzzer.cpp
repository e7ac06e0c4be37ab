// Differential fuzz target: each input is a settings file's content, loaded
// by the plug-in's rules in memory and by the naive model of the rules
// (tests/settings/settings_model.h). The fourteen values, the key-binding
// table and the printed lines must agree; any difference aborts with both.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "loaded_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    const std::string d = model::difference(model::load(&file), textLoad(file));
    if (!d.empty()) {
        std::fprintf(stderr, "settings_model_fuzzer: the plug-in and the rules differ:\n%s", d.c_str());
        std::abort();
    }
    return 0;
}
