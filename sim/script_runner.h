// Runs the plug-in's ScriptMain on a coroutine of its own so that a test can
// step it pass by pass: each scriptWait hands control back to the runner.
#pragma once

#include <memory>

#include "world.h"

namespace sim {

class ScriptRunner {
public:
    // Makes `world` the active world and puts the plug-in's module state back
    // to its load-time values, as a fresh load of the library would.
    explicit ScriptRunner(World& world);
    ~ScriptRunner();
    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    // Runs `passes` passes. Before every pass but the first the world moves
    // one frame; the first resume also runs the script's start-up.
    void step(int passes = 1);
    int passesRun() const { return world_.pass; }

    struct Context;  // the two coroutine contexts and the script's stack

private:
    World& world_;
    std::unique_ptr<Context> context_;
};

}  // namespace sim
