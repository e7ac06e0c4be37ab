// The five steady states the pass is timed in, built in the fast host's world
// by real passes (a throw, a shot) and then held: every pass of a state makes
// the same sequence of native calls.
#pragma once

#include <cstdint>
#include <memory>

#include "cameras/script.h"
#include "cameras/shot_camera.h"
#include "fast_host.h"
#include "states.h"

namespace bench {


// Passes between two restores of the checkpoint. The arrow camera's linger
// limit is fixed (2.5 in steps of 0.007, 358 passes); a batch must end well
// before it.
constexpr int kBatch = 200;

class Scenario {
public:
    // Builds the world for `objects` snapshot entries (the projectiles of the
    // state are among them), runs the passes that bring the cameras into the
    // state, and checkpoints it. Throws std::runtime_error if the state does
    // not come about or does not repeat pass after pass.
    Scenario(State state, int32_t objects);

    // Back to the checkpoint: plug-in and host state as they were then.
    void restore();
    void pass() { runPass(*script_); }
    // One pass from the checkpoint, recorded.
    void recordPass(fast::Trace& trace);
    // True while the cameras of the state are all still in their steady phase.
    bool inState() const;

    State state() const { return state_; }

private:
    struct Checkpoint {
        BladeCameraState blade;
        ExplosiveCameraState explosive;
        bool bulletActive;
        ShotCameraState bullet;
        bool arrowActive;
        ShotCameraState arrow;
        Vector3 cameraPositions[fast::kCameraSlots];
        int32_t nextCamera;
    };

    State state_;
    std::unique_ptr<ScriptState> script_;
    Checkpoint checkpoint_;

    void takeCheckpoint();
};

}  // namespace bench
