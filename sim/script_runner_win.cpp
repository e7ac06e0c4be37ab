// ScriptRunner on Windows: ScriptMain runs on a fibre of its own, as the
// script-hook host runs it, and each scriptWait switches back to the runner.
#include <windows.h>

#include <cstdlib>

#include "cameras/script.h"
#include "script_runner.h"

namespace sim {

struct ScriptRunner::Context {
    void* host = nullptr;
    void* script = nullptr;
};

namespace {
ScriptRunner::Context* g_running = nullptr;

void yieldToRunner() { SwitchToFiber(g_running->host); }

// ScriptMain never returns; if it ever did, there is nothing to go back to.
void CALLBACK scriptEntry(void*) {
    ScriptMain();
    std::abort();
}
}  // namespace

ScriptRunner::ScriptRunner(World& world) : world_(world), context_(new Context) {
    setActiveWorld(&world_);
    setWaitHook(&yieldToRunner);
    resetModuleState();
    // The runners' thread becomes a fibre once and stays one.
    static void* const host = ConvertThreadToFiber(nullptr);
    context_->host = host;
    context_->script = CreateFiber(1 << 20, &scriptEntry, nullptr);
    if (context_->host == nullptr || context_->script == nullptr) std::abort();
}

// The script's fibre is simply deleted: ScriptMain keeps nothing on its
// stack that needs unwinding.
ScriptRunner::~ScriptRunner() {
    DeleteFiber(context_->script);
    if (activeWorld() == &world_) setActiveWorld(nullptr);
}

void ScriptRunner::step(int passes) {
    for (int i = 0; i < passes; ++i) {
        world_.beginPass();
        g_running = context_.get();
        SwitchToFiber(context_->script);
        g_running = nullptr;
    }
}

}  // namespace sim
