#include "run_in_process.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "script_runner.h"

namespace sim {

namespace {
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
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    ~CapturedOutput() { finish(); }

private:
    std::string path_;
    int saved_ = -1;
};
}  // namespace

InProcessResult runInProcess(const Scenario& scenario, const std::string& workDirectory,
                             const std::function<void(int, int)>& progress) {
    namespace fs = std::filesystem;
    prepareWorkingDirectory(scenario, workDirectory);
    const fs::path previous = fs::current_path();
    fs::current_path(workDirectory);

    InProcessResult result;
    World world;
    ScenarioPlayer player(scenario, world, [&world](int32_t key, bool down) { world.keysDown[key] = down; });
    {
        CapturedOutput output((fs::path(workDirectory) / "stdout.txt").string());
        ScriptRunner runner(world);
        for (int pass = 1; pass <= scenario.passes; ++pass) {
            player.beforePass(pass);
            runner.step();
            player.afterPass(pass);
            if (progress) progress(pass, scenario.passes);
        }
        result.output = output.finish();
    }
    fs::current_path(previous);
    result.trace = player.finish();
    return result;
}

}  // namespace sim
