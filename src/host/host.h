// The host's script interface: the seven functions the script-hook library
// exports, plus the one Windows call the plug-in makes (the key-state query).
//
// On Windows these resolve through an import library generated from
// ScriptHookRDR2.def, which maps the plain names used here to the library's
// MSVC-decorated export names. On Linux the simulated host defines them.
#pragma once

#include <cstdint>

// HINSTANCE on Windows; only ever passed through, never looked into.
typedef void* HostModule;
typedef void (*ScriptFunction)();

extern "C" {
void scriptRegister(HostModule module, ScriptFunction script);
void scriptUnregister(HostModule module);
void scriptWait(uint32_t milliseconds);
void nativeInit(uint64_t hash);
void nativePush64(uint64_t slot);
uint64_t* nativeCall();
int32_t worldGetAllObjects(int32_t* handles, int32_t capacity);

// GetAsyncKeyState on Windows; the simulated keyboard on Linux.
int16_t hostKeyState(int32_t virtualKey);
}
