// The scenario side of the stand-in host: one simulated world, played by a
// ScenarioPlayer, answering the host functions of sim/host_functions.cpp.
#include "standin_control.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "scenario.h"
#include "world.h"

namespace {

struct Run {
    sim::Scenario scenario;
    sim::World world;
    std::unique_ptr<sim::ScenarioPlayer> player;
};

// Lives until the process ends: the plug-in's unload still reaches the world.
Run* run = nullptr;
StandinKey keyHandler = nullptr;

void copyMessage(const std::string& text, char* out, int32_t size) {
    if (out == nullptr || size <= 0) return;
    std::snprintf(out, static_cast<size_t>(size), "%s", text.c_str());
}

const char* hostCallName(sim::HostCallKind kind) {
    switch (kind) {
    case sim::HostCallKind::Register:
        return "scriptRegister";
    case sim::HostCallKind::Unregister:
        return "scriptUnregister";
    case sim::HostCallKind::Wait:
        return "scriptWait";
    case sim::HostCallKind::GetAllObjects:
        return "worldGetAllObjects";
    }
    return "?";
}

// Host calls and natives of the run in the order they were made, one per line.
void writeCallLog(const sim::World& world, const std::string& path) {
    std::ofstream out(path);
    char line[96];
    size_t host = 0;
    // Host calls made before the natives of `pass`: all of earlier passes
    // (registration is pass 0) and the pass's own snapshot.
    auto hostCallsBefore = [&](int pass) {
        for (; host < world.hostCalls.size(); ++host) {
            const sim::HostCall& c = world.hostCalls[host];
            if (c.pass > pass || (c.pass == pass && c.kind != sim::HostCallKind::GetAllObjects)) break;
            std::snprintf(line, sizeof line, "%d %s 0x%" PRIX64 "\n", c.pass, hostCallName(c.kind), c.value);
            out << line;
        }
    };
    for (const sim::NativeCall& c : world.calls) {
        hostCallsBefore(c.pass);
        std::snprintf(line, sizeof line, "%d %s(", c.pass, sim::nativeName(c.hash));
        out << line;
        for (size_t i = 0; i < c.args.size(); ++i) {
            std::snprintf(line, sizeof line, "%s0x%" PRIX64, i ? ", " : "", c.args[i]);
            out << line;
        }
        std::snprintf(line, sizeof line, ") -> 0x%" PRIX64 "\n", c.results[0]);
        out << line;
    }
    hostCallsBefore(INT32_MAX);
}

}  // namespace

extern "C" {

int32_t standinLoadScenario(const char* scenarioPath, const char* workDirectory, char* error, int32_t errorSize) {
    try {
        auto next = std::make_unique<Run>();
        next->scenario = sim::loadScenario(scenarioPath);
        sim::prepareWorkingDirectory(next->scenario, workDirectory);
        next->player = std::make_unique<sim::ScenarioPlayer>(next->scenario, next->world, [](int32_t key, bool down) {
            if (keyHandler != nullptr) keyHandler(key, down ? 1 : 0);
        });
        delete run;
        run = next.release();
        sim::setActiveWorld(&run->world);
        return run->scenario.passes;
    } catch (const std::exception& e) {
        copyMessage(e.what(), error, errorSize);
        return 0;
    }
}

void standinSetYield(StandinYield yield) { sim::setWaitHook(yield); }

void standinSetKeyHandler(StandinKey key) { keyHandler = key; }

void standinBeforePass(int32_t pass) {
    run->player->beforePass(pass);
    run->world.beginPass();
}

void standinAfterPass(int32_t pass) { run->player->afterPass(pass); }

void standinRegistration(StandinRegistration* out) {
    const sim::Registration& r = sim::registration();
    out->registers = r.registers;
    out->unregisters = r.unregisters;
    out->module = r.module;
    out->script = r.script;
    out->unregisteredModule = r.unregisteredModule;
}

int32_t standinFinish(const char* outputDirectory, const char* output, StandinReport report) {
    try {
        namespace fs = std::filesystem;
        const sim::Trace trace = run->player->finish();
        const fs::path dir(outputDirectory);
        fs::create_directories(dir);
        std::ofstream(dir / "trace.json") << sim::traceToJson(trace).dump(1) << '\n';
        sim::writeTraceCsv(trace, (dir / "trace.csv").string());
        writeCallLog(run->world, (dir / "calls.txt").string());
        const std::vector<std::string> failures = sim::checkExpectations(run->scenario, trace, output);
        for (const std::string& f : failures) report(f.c_str());
        return static_cast<int32_t>(failures.size());
    } catch (const std::exception& e) {
        report((std::string("cannot write the trace: ") + e.what()).c_str());
        return -1;
    }
}

}  // extern "C"
