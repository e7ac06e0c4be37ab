// The tuner's core as the exports of the page's WebAssembly module. Bytes
// cross as pointer and length, in both directions; a result stays in the
// module until the next call.
#include <cstddef>
#include <string>

#include "tuner.h"

namespace {

std::string g_result;
std::string g_problem;

std::string bytes(const char* data, size_t size) { return data && size ? std::string(data, size) : std::string(); }

// No exception may reach JavaScript: the call would stop half way, with the
// module's state as it was then.
template <typename Call>
int guarded(Call call) {
    g_problem.clear();
    try {
        return call();
    } catch (const std::exception& e) {
        g_problem = e.what();
    } catch (...) {
        g_problem = "an unknown failure";
    }
    g_result.clear();
    return 0;
}

}  // namespace

extern "C" {

const char* veltrix_result() { return g_result.data(); }
size_t veltrix_result_size() { return g_result.size(); }
const char* veltrix_problem() { return g_problem.c_str(); }

int veltrix_analyse(const char* file, size_t size) {
    return guarded([&] {
        g_result = tuner::analyse(bytes(file, size));
        return 1;
    });
}

int veltrix_edit(const char* file, size_t size, const char* key, size_t keySize, const char* value, size_t valueSize) {
    return guarded([&] {
        std::string edited;
        if (!tuner::editSetting(bytes(file, size), bytes(key, keySize), bytes(value, valueSize), edited, g_problem))
            return 0;
        g_result = std::move(edited);
        return 1;
    });
}

int veltrix_number_text(double value) {
    return guarded([&] {
        g_result = tuner::numberText(value);
        return 1;
    });
}

// hasFile 0: the scenario's own settings file.
int veltrix_replay(const char* scenario, size_t scenarioSize, const char* file, size_t fileSize, int hasFile) {
    return guarded([&] {
        const std::string settings = bytes(file, fileSize);
        g_result = tuner::replay(bytes(scenario, scenarioSize), hasFile ? &settings : nullptr, "/tuner");
        return 1;
    });
}

int veltrix_recorded_replay(const char* run, size_t size) {
    return guarded([&] {
        g_result = tuner::recordedReplay(bytes(run, size));
        return 1;
    });
}

int veltrix_bundled_scenarios() {
    return guarded([&] {
        g_result = tuner::bundledScenarios();
        return 1;
    });
}

int veltrix_tables() {
    return guarded([&] {
        g_result = tuner::tables();
        return 1;
    });
}

int veltrix_custom_shot(const char* params, size_t size) {
    return guarded([&] {
        g_result = tuner::customShot(bytes(params, size), g_problem);
        return g_result.empty() ? 0 : 1;
    });
}

}  // extern "C"
