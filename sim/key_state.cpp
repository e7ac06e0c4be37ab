// The simulated keyboard, for builds where the plug-in core is linked in-process.
#include "host/host.h"
#include "world.h"

extern "C" int16_t hostKeyState(int32_t virtualKey) {
    sim::World* w = sim::activeWorld();
    return w ? w->keyState(virtualKey) : 0;
}
