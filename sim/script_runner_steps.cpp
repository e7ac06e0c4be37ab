// ScriptRunner for WebAssembly, which has no ucontext. ScriptMain is nothing
// but startScript, then runPass and scriptWait(0) for ever; this runner makes
// those same calls itself, one pass a step, so that the core runs exactly as
// compiled for the game. Emscripten's fibres would run ScriptMain itself, but
// they need Asyncify, which instruments every function that may sit under a
// switch: a bigger, slower module for the same passes.
#include "cameras/script.h"
#include "host/host.h"
#include "script_runner.h"

namespace sim {

struct ScriptRunner::Context {
    ScriptState state;
    bool started = false;
};

ScriptRunner::ScriptRunner(World& world) : world_(world), context_(new Context) {
    setActiveWorld(&world_);
    setWaitHook(nullptr);  // scriptWait returns to this runner by itself
    resetModuleState();
}

ScriptRunner::~ScriptRunner() {
    if (activeWorld() == &world_) setActiveWorld(nullptr);
}

void ScriptRunner::step(int passes) {
    for (int i = 0; i < passes; ++i) {
        world_.beginPass();
        if (!context_->started) {
            startScript(context_->state);
            context_->started = true;
        }
        runPass(context_->state);
        scriptWait(0);
    }
}

}  // namespace sim
