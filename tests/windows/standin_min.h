// Control side of the minimal stand-in host: what the smoke driver reads back
// and the one hook it installs. The host functions themselves are the plain
// extern "C" ones of host/host.h.
#pragma once

#include <cstdint>

extern "C" {

// Counts of every host call since the stand-in was loaded, and what the
// registration calls were given.
struct StandinRecord {
    int32_t registerCalls;
    int32_t unregisterCalls;
    void* registeredModule;
    void* unregisteredModule;
    void (*script)();
    int32_t waitCalls;
    int32_t nativeInits;
    int32_t nativePushes;
    int32_t nativeCalls;
    int32_t worldQueries;
    // A push or call with no native opened, or an init while one is open.
    int32_t protocolErrors;
};

// scriptWait hands control back through this; the stand-in itself knows
// nothing about fibres, so it stays portable.
typedef void (*StandinYield)();

void standinSetYield(StandinYield yield);
const StandinRecord* standinRecord();
}
