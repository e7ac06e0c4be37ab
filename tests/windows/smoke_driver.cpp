// Loads the plug-in into a process the way the host does, against the
// minimal stand-in host, and checks its side of the contract: one
// registration with its own module handle on load, nothing on thread
// notifications, one pass per scriptWait when run, and one unregistration
// with the same handle on unload.
//
//   smoke_driver --passes N   run ScriptMain for N passes before unloading
//   smoke_driver --no-run     register, then unload without starting the script
//
// Prints "PASS: ..." and exits 0, or prints one "FAIL: ..." line per broken
// check and exits 1 (2 for a usage or set-up error).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "standin_min.h"

namespace {

int failures = 0;

void check(bool ok, const char* what) {
    if (ok) return;
    std::printf("FAIL: %s\n", what);
    std::fflush(stdout);
    ++failures;
}

template <typename T>
T exported(HMODULE module, const char* name) {
    FARPROC proc = GetProcAddress(module, name);
    if (proc == nullptr) {
        std::printf("FAIL: the stand-in host does not export %s\n", name);
        std::exit(2);
    }
    return reinterpret_cast<T>(reinterpret_cast<void*>(proc));
}

// Counts of calls the script may only make while it runs.
int scriptSideCalls(const StandinRecord& r) {
    return r.waitCalls + r.nativeInits + r.nativePushes + r.nativeCalls + r.worldQueries;
}

HMODULE moduleOf(void (*function)()) {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(reinterpret_cast<void*>(function)), &module);
    return module;
}

DWORD WINAPI idleThread(LPVOID) { return 0; }

LPVOID driverFiber = nullptr;

void yieldToDriver() { SwitchToFiber(driverFiber); }

VOID CALLBACK scriptFiber(LPVOID script) {
    reinterpret_cast<void (*)()>(script)();
    // Returning from a fibre procedure ends the thread: report, don't hang.
    std::printf("FAIL: ScriptMain returned\n");
    std::fflush(stdout);
    ExitProcess(1);
}

}  // namespace

int main(int argc, char** argv) {
    long passes = -1;
    if (argc == 2 && std::strcmp(argv[1], "--no-run") == 0) {
        passes = 0;
    } else if (argc == 3 && std::strcmp(argv[1], "--passes") == 0) {
        char* end = nullptr;
        passes = std::strtol(argv[2], &end, 10);
        if (*end != '\0' || passes < 1) passes = -1;
    }
    if (passes < 0) {
        std::printf("usage: smoke_driver --passes N (N >= 1) | --no-run\n");
        return 2;
    }

    HMODULE host = LoadLibraryA("ScriptHookRDR2.dll");
    if (host == nullptr) {
        std::printf("FAIL: cannot load the stand-in ScriptHookRDR2.dll (error %lu)\n", GetLastError());
        return 2;
    }
    const StandinRecord& r = *exported<const StandinRecord* (*)()>(host, "standinRecord")();
    const auto setYield = exported<void (*)(StandinYield)>(host, "standinSetYield");

    HMODULE plugin = LoadLibraryA("Veltrix.asi");
    if (plugin == nullptr) {
        std::printf("FAIL: LoadLibrary(Veltrix.asi) failed (error %lu)\n", GetLastError());
        return 1;
    }

    // Process attach.
    check(r.registerCalls == 1, "process attach did not make exactly one scriptRegister call");
    check(r.registeredModule == plugin, "scriptRegister was not given the plug-in's own module handle");
    check(r.script != nullptr && moduleOf(r.script) == plugin,
          "the registered script does not lie in the plug-in");
    check(r.unregisterCalls == 0, "scriptUnregister called during load");
    check(scriptSideCalls(r) == 0, "the entry point made host calls beyond scriptRegister");

    // Thread attach and detach: the plug-in leaves notifications on and
    // must ignore them.
    HANDLE thread = CreateThread(nullptr, 0, idleThread, nullptr, 0, nullptr);
    if (thread == nullptr || WaitForSingleObject(thread, 10000) != WAIT_OBJECT_0) {
        std::printf("FAIL: cannot run a helper thread\n");
        return 2;
    }
    CloseHandle(thread);
    check(r.registerCalls == 1 && r.unregisterCalls == 0 && scriptSideCalls(r) == 0,
          "a thread attach or detach made a host call");

    // The script, on its own fibre as the host runs it.
    LPVOID fiber = nullptr;
    if (passes > 0 && r.script != nullptr) {
        driverFiber = ConvertThreadToFiber(nullptr);
        fiber = CreateFiber(0, scriptFiber, reinterpret_cast<LPVOID>(r.script));
        if (driverFiber == nullptr || fiber == nullptr) {
            std::printf("FAIL: cannot set up the script fibre\n");
            return 2;
        }
        setYield(yieldToDriver);
        for (long pass = 0; pass < passes; ++pass) {
            const int waitsBefore = r.waitCalls;
            SwitchToFiber(fiber);
            check(r.waitCalls == waitsBefore + 1, "a pass did not end with exactly one scriptWait");
        }
        check(r.waitCalls == passes, "scriptWait count differs from the passes run");
        // Switched on from the start, so every pass takes one world snapshot.
        check(r.worldQueries == passes, "not one worldGetAllObjects per pass");
        check(r.nativeInits == r.nativeCalls, "a native was opened but not called");
        check(r.protocolErrors == 0, "a native push or call outside an open native call");
        check(r.registerCalls == 1 && r.unregisterCalls == 0, "the script registered or unregistered itself");
    }

    // Process detach, with the script suspended in scriptWait or never started.
    check(FreeLibrary(plugin) != 0, "FreeLibrary(Veltrix.asi) failed");
    check(r.unregisterCalls == 1, "process detach did not make exactly one scriptUnregister call");
    check(r.unregisteredModule == plugin, "scriptUnregister was not given the registered module handle");
    check(r.registerCalls == 1, "scriptRegister called again during unload");
    if (passes == 0) check(scriptSideCalls(r) == 0, "host calls although the script never ran");

    // The host's side of unregistering: drop the script's fibre unrun.
    setYield(nullptr);
    if (fiber != nullptr) DeleteFiber(fiber);

    if (failures != 0) {
        std::printf("FAIL: %d check(s) failed\n", failures);
        return 1;
    }
    if (passes > 0) {
        std::printf("PASS: registered, ran %ld passes (%d natives), unregistered\n", passes, r.nativeCalls);
    } else {
        std::printf("PASS: registered and unregistered without running the script\n");
    }
    return 0;
}
