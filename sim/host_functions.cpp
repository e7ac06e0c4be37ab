// The host's script interface, answered by the active simulated world.
#include "host/host.h"
#include "world.h"

namespace sim {
Registration& registration() {
    static Registration r;
    return r;
}
}  // namespace sim

extern "C" {

void scriptRegister(HostModule module, ScriptFunction script) {
    sim::Registration& r = sim::registration();
    r.module = module;
    r.script = script;
    ++r.registers;
    if (sim::World* w = sim::activeWorld())
        w->recordHostCall(sim::HostCallKind::Register, reinterpret_cast<uintptr_t>(module));
}

void scriptUnregister(HostModule module) {
    sim::Registration& r = sim::registration();
    r.unregisteredModule = module;
    ++r.unregisters;
    if (sim::World* w = sim::activeWorld())
        w->recordHostCall(sim::HostCallKind::Unregister, reinterpret_cast<uintptr_t>(module));
}

void scriptWait(uint32_t milliseconds) {
    if (sim::World* w = sim::activeWorld()) w->recordHostCall(sim::HostCallKind::Wait, milliseconds);
    sim::callWaitHook();
}

void nativeInit(uint64_t hash) { sim::activeWorld()->nativeInit(hash); }
void nativePush64(uint64_t slot) { sim::activeWorld()->nativePush(slot); }
uint64_t* nativeCall() { return sim::activeWorld()->nativeCall(); }

int32_t worldGetAllObjects(int32_t* handles, int32_t capacity) {
    return sim::activeWorld()->getAllObjects(handles, capacity);
}

}  // extern "C"
