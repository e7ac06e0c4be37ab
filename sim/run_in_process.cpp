#include "run_in_process.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cameras/shot_camera.h"
#include "script_runner.h"

namespace sim {

namespace {
// Whether this C runtime writes a line feed to a text-mode file as CR LF, as
// Windows' does; standard output is such a file. Asked once: it does not change.
bool textModeAddsCarriageReturns() {
    static const bool adds = [] {
        const char* const probe = "line-end-probe.txt";
        FILE* file = std::fopen(probe, "w");
        if (!file) return false;
        std::fputc('\n', file);
        std::fclose(file);
        std::ifstream in(probe, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        std::remove(probe);
        return bytes == "\r\n";
    }();
    return adds;
}

// Sends standard output to a file for as long as it lives.
class CapturedOutput {
public:
    explicit CapturedOutput(const std::string& path) : path_(path) {
        std::fflush(stdout);
        saved_ = dup(fileno(stdout));
        FILE* file = std::fopen(path.c_str(), "w");
        if (file) {
            dup2(fileno(file), fileno(stdout));
            std::fclose(file);
        }
    }
    std::string finish() {
        std::fflush(stdout);
        if (saved_ >= 0) {
            dup2(saved_, fileno(stdout));
            close(saved_);
            saved_ = -1;
        }
        std::ifstream in(path_, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return textModeAddsCarriageReturns() ? withoutTextModeLineEnds(bytes.str()) : bytes.str();
    }
    ~CapturedOutput() { finish(); }

private:
    std::string path_;
    int saved_ = -1;
};
}  // namespace

std::string withoutTextModeLineEnds(const std::string& written) {
    std::string text;
    for (const char c : written) {
        if (c == '\n' && !text.empty() && text.back() == '\r') text.pop_back();
        text += c;
    }
    return text;
}

const int kMostPassesAfterScenario = kMaxShotCameraUpdates;

InProcessResult runInProcess(const Scenario& scenario, const std::string& workDirectory,
                             const std::function<void(int, int)>& progress, bool toEnd) {
    namespace fs = std::filesystem;
    prepareWorkingDirectory(scenario, workDirectory);
    const fs::path previous = fs::current_path();
    fs::current_path(workDirectory);

    InProcessResult result;
    World world;
    ScenarioPlayer player(scenario, world, [&world](int32_t key, bool down) { world.keysDown[key] = down; });
    {
        // Named from the new working directory: a relative workDirectory
        // would not name it from there, and a relative name needs no
        // conversion of a path whatever letters it holds.
        CapturedOutput output("stdout.txt");
        ScriptRunner runner(world);
        const int most = scenario.passes + (toEnd ? kMostPassesAfterScenario : 0);
        auto anyLive = [&world] {
            return std::any_of(world.cameras.begin(), world.cameras.end(), [](const Camera& c) { return c.live; });
        };
        for (int pass = 1; pass <= most; ++pass) {
            if (pass > scenario.passes && !anyLive()) break;
            player.beforePass(pass);
            runner.step();
            player.afterPass(pass);
            player.forgetLoggedCalls();
            if (progress) progress(pass, scenario.passes);
        }
        result.cutShort = toEnd && anyLive();
        result.output = output.finish();
    }
    fs::current_path(previous);
    result.trace = player.finish();
    return result;
}

}  // namespace sim
