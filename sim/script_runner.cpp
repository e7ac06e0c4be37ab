#include "script_runner.h"

#include <ucontext.h>

#include <cstdlib>
#include <vector>

#include "cameras/script.h"

namespace sim {

struct ScriptRunner::Context {
    ucontext_t host;
    ucontext_t script;
    std::vector<char> stack = std::vector<char>(1 << 20);
};

namespace {
ScriptRunner::Context* g_running = nullptr;

void yieldToRunner() { swapcontext(&g_running->script, &g_running->host); }

// ScriptMain never returns; if it ever did, there is nothing to go back to.
void scriptEntry() {
    ScriptMain();
    std::abort();
}
}  // namespace

ScriptRunner::ScriptRunner(World& world) : world_(world), context_(new Context) {
    setActiveWorld(&world_);
    setWaitHook(&yieldToRunner);
    resetModuleState();
    getcontext(&context_->script);
    context_->script.uc_stack.ss_sp = context_->stack.data();
    context_->script.uc_stack.ss_size = context_->stack.size();
    context_->script.uc_link = nullptr;
    makecontext(&context_->script, &scriptEntry, 0);
}

// The script's coroutine is simply abandoned: ScriptMain keeps nothing on its
// stack that needs unwinding.
ScriptRunner::~ScriptRunner() {
    if (activeWorld() == &world_) setActiveWorld(nullptr);
}

void ScriptRunner::step(int passes) {
    for (int i = 0; i < passes; ++i) {
        world_.beginPass();
        g_running = context_.get();
        swapcontext(&context_->host, &context_->script);
        g_running = nullptr;
    }
}

}  // namespace sim
