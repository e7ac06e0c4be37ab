// The key-state seam of host.h, answered by the real keyboard.
// Built only into the Windows DLL.
#include <windows.h>

#include "host/host.h"

extern "C" int16_t hostKeyState(int32_t virtualKey) {
    return GetAsyncKeyState(virtualKey);
}
