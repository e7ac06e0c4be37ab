// Library entry point: hands ScriptMain to the host on load and withdraws it
// on unload. Runs under the loader lock, so it does nothing else.
#include <windows.h>

#include "cameras/script.h"
#include "host/host.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        scriptRegister(instance, ScriptMain);
        break;
    case DLL_PROCESS_DETACH:
        // The same handle as at registration, so the host can pair the two.
        scriptUnregister(instance);
        break;
    default:
        // Thread notifications stay enabled but need no work.
        break;
    }
    return TRUE;
}
