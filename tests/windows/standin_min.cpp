// Minimal stand-in for the host's script-hook library: enough to load the
// plug-in and run its script for a few passes. Every call is logged and
// counted; every native answers with zeroed result slots and the world holds
// no objects.
#include "standin_min.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "host/host.h"

namespace {

StandinRecord record;
StandinYield yieldToDriver = nullptr;
bool nativeOpen = false;
// Room for the widest result any caller reads (a Vector3 takes three slots).
uint64_t resultSlots[16];

void logCall(const char* format, ...) __attribute__((format(printf, 1, 2)));
void logCall(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::fputs("host: ", stdout);
    std::vprintf(format, args);
    std::fputc('\n', stdout);
    va_end(args);
    // The driver may die on a failed check; keep the trail complete.
    std::fflush(stdout);
}

}  // namespace

extern "C" {

void scriptRegister(HostModule module, ScriptFunction script) {
    logCall("scriptRegister module=%p script=%p", module, reinterpret_cast<void*>(script));
    ++record.registerCalls;
    record.registeredModule = module;
    record.script = script;
}

void scriptUnregister(HostModule module) {
    logCall("scriptUnregister module=%p", module);
    ++record.unregisterCalls;
    record.unregisteredModule = module;
}

void scriptWait(uint32_t milliseconds) {
    logCall("scriptWait %" PRIu32, milliseconds);
    ++record.waitCalls;
    if (yieldToDriver != nullptr) yieldToDriver();
}

void nativeInit(uint64_t hash) {
    logCall("nativeInit 0x%016" PRIX64, hash);
    ++record.nativeInits;
    if (nativeOpen) ++record.protocolErrors;
    nativeOpen = true;
}

void nativePush64(uint64_t slot) {
    logCall("nativePush64 0x%016" PRIX64, slot);
    ++record.nativePushes;
    if (!nativeOpen) ++record.protocolErrors;
}

uint64_t* nativeCall() {
    logCall("nativeCall");
    ++record.nativeCalls;
    if (!nativeOpen) ++record.protocolErrors;
    nativeOpen = false;
    std::memset(resultSlots, 0, sizeof resultSlots);
    return resultSlots;
}

int32_t worldGetAllObjects(int32_t* handles, int32_t capacity) {
    logCall("worldGetAllObjects handles=%p capacity=%" PRId32, static_cast<void*>(handles), capacity);
    ++record.worldQueries;
    return 0;
}

void standinSetYield(StandinYield yield) { yieldToDriver = yield; }

const StandinRecord* standinRecord() { return &record; }

}  // extern "C"
