// Control side of the scenario stand-in host (ScriptHookRDR2.dll built from
// the simulator): what the end-to-end driver calls besides loading the
// plug-in. Plain C types only, so that no C++ object crosses between the two
// modules; the world, the scenario player and the trace stay inside the DLL.
#pragma once

#include <cstdint>

extern "C" {

typedef void (*StandinYield)();
typedef void (*StandinKey)(int32_t virtualKey, int32_t down);
typedef void (*StandinReport)(const char* line);

// Reads the scenario, makes the world it describes the one the host functions
// answer from, and prepares `workDirectory` with the scenario's "Veltrix.ini"
// (or none). Returns the number of passes to run, or 0 with the reason in
// `error`.
int32_t standinLoadScenario(const char* scenarioPath, const char* workDirectory, char* error, int32_t errorSize);

// scriptWait hands control back through `yield`; key events of the scenario
// go to `key`. The stand-in itself knows nothing of fibres or the keyboard.
void standinSetYield(StandinYield yield);
void standinSetKeyHandler(StandinKey key);

// Around each pass: apply the scenario's events and move the world one
// frame; afterwards record the pass in the trace.
void standinBeforePass(int32_t pass);
void standinAfterPass(int32_t pass);

struct StandinRegistration {
    int32_t registers;
    int32_t unregisters;
    void* module;              // given to the last scriptRegister
    void (*script)();          // likewise
    void* unregisteredModule;  // given to the last scriptUnregister
};
void standinRegistration(StandinRegistration* out);

// Closes the trace; writes trace.json, trace.csv and calls.txt (every host
// call of the run) into `outputDirectory`; checks the scenario's
// expectations against the trace and `output` (what the plug-in printed).
// Each failure goes to `report`; returns their number, or -1 if the
// outputs cannot be written.
int32_t standinFinish(const char* outputDirectory, const char* output, StandinReport report);
}
