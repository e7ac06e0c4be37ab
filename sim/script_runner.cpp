#include "script_runner.h"

#include <ucontext.h>

#include <cstdlib>
#include <vector>

#include "cameras/script.h"

// Under AddressSanitizer every switch between the runner's stack and the
// script's is announced, so that it knows which stack is current; otherwise
// its fake stacks and no-return handling meet a foreign stack pointer and give
// false reports or miss real ones.
#if defined(__SANITIZE_ADDRESS__)
#define VELTRIX_ASAN_FIBERS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELTRIX_ASAN_FIBERS 1
#endif
#endif

#ifdef VELTRIX_ASAN_FIBERS
#include <sanitizer/common_interface_defs.h>
#endif

namespace sim {

namespace {
// Called on the old stack right before swapcontext: saves the old stack's fake
// frames in *save and names the stack about to run.
inline void leavingStack(void** save, const void* toBottom, size_t toSize) {
#ifdef VELTRIX_ASAN_FIBERS
    __sanitizer_start_switch_fiber(save, toBottom, toSize);
#else
    (void)save, (void)toBottom, (void)toSize;
#endif
}

// Called on the stack that has just resumed, with what it saved when it left;
// tells where the stack it came from lies.
inline void arrivedOnStack(void* saved, const void** fromBottom, size_t* fromSize) {
#ifdef VELTRIX_ASAN_FIBERS
    __sanitizer_finish_switch_fiber(saved, fromBottom, fromSize);
#else
    (void)saved, (void)fromBottom, (void)fromSize;
#endif
}
}  // namespace

struct ScriptRunner::Context {
    ucontext_t host;
    ucontext_t script;
    std::vector<char> stack = std::vector<char>(1 << 20);
    // Sanitizer bookkeeping of the two stacks.
    void* hostFakeStack = nullptr;
    void* scriptFakeStack = nullptr;
    const void* hostStackBottom = nullptr;
    size_t hostStackSize = 0;
};

namespace {
ScriptRunner::Context* g_running = nullptr;

void yieldToRunner() {
    ScriptRunner::Context* c = g_running;
    leavingStack(&c->scriptFakeStack, c->hostStackBottom, c->hostStackSize);
    swapcontext(&c->script, &c->host);
    arrivedOnStack(c->scriptFakeStack, &c->hostStackBottom, &c->hostStackSize);
}

// ScriptMain never returns; if it ever did, there is nothing to go back to.
void scriptEntry() {
    ScriptRunner::Context* c = g_running;
    arrivedOnStack(nullptr, &c->hostStackBottom, &c->hostStackSize);
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
        leavingStack(&context_->hostFakeStack, context_->stack.data(), context_->stack.size());
        swapcontext(&context_->host, &context_->script);
        arrivedOnStack(context_->hostFakeStack, nullptr, nullptr);
        g_running = nullptr;
    }
}

}  // namespace sim
