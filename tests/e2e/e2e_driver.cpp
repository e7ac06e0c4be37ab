// Plays one scenario against the real plug-in DLL, as the host would run it:
// loads the stand-in host built from the simulator, then Veltrix.asi; runs
// ScriptMain on a fibre of its own, one pass per scriptWait, with the
// scenario's world moved and its events applied between passes; presses the
// scenario's keys for real with SendInput; unloads the plug-in; then writes
// the trace and checks the scenario's expectations.
//
//   e2e_driver SCENARIO.json OUTPUT_DIR
//
// OUTPUT_DIR receives work/ (the working directory, with the scenario's
// Veltrix.ini), stdout.txt (what the plug-in printed), trace.json, trace.csv
// and calls.txt. Everything the driver says goes to standard error, since
// standard output belongs to the plug-in while it runs. Prints one "FAIL: "
// line per broken check and exits 1, or "PASS: " and exits 0. Exit codes 2
// (set-up error), 3 (hang), 4 (crash) and 5 (ScriptMain returned) end the run
// early.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "standin_control.h"

namespace {

// No pass may take this long: the plug-in is stuck in ScriptMain.
constexpr DWORD kHangMilliseconds = 20000;

int failures = 0;
volatile LONG currentPass = 0;
HANDLE runDone = nullptr;

void say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void fail(const std::string& what) {
    say("FAIL: %s", what.c_str());
    ++failures;
}

[[noreturn]] void setupError(const std::string& what) {
    say("FAIL: set-up: %s", what.c_str());
    ExitProcess(2);
}

std::string moduleName(HMODULE module) {
    char path[MAX_PATH] = "";
    if (module == nullptr || GetModuleFileNameA(module, path, sizeof path) == 0) return "no module";
    const char* base = std::strrchr(path, '\\');
    return base ? base + 1 : path;
}

HMODULE moduleAt(const void* address) {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<LPCSTR>(address), &module);
    return module;
}

// A crash anywhere (the plug-in, the stand-in, the driver) ends the run with
// the exception and where it happened, instead of a debugger prompt.
LONG WINAPI onCrash(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    const void* address = record->ExceptionAddress;
    say("FAIL: crash: exception 0x%08lX at %p in %s during pass %ld", static_cast<unsigned long>(record->ExceptionCode),
        address, moduleName(moduleAt(address)).c_str(), static_cast<long>(currentPass));
    TerminateProcess(GetCurrentProcess(), 4);
    return EXCEPTION_EXECUTE_HANDLER;
}

// Ends the run when a pass does not come back: ScriptMain looping without
// scriptWait would otherwise only be seen by the outer time limit.
DWORD WINAPI watchdog(LPVOID) {
    LONG seen = -1;
    DWORD still = 0;
    while (WaitForSingleObject(runDone, 1000) == WAIT_TIMEOUT) {
        const LONG pass = currentPass;
        still = pass == seen ? still + 1000 : 0;
        seen = pass;
        if (still >= kHangMilliseconds) {
            say("FAIL: hang: pass %ld has not come back from the plug-in in %lu s", static_cast<long>(pass),
                static_cast<unsigned long>(kHangMilliseconds / 1000));
            TerminateProcess(GetCurrentProcess(), 3);
        }
    }
    return 0;
}

// ---- Keys ----------------------------------------------------------------------------------------
std::set<int32_t> keysHeld;

void sendKey(int32_t virtualKey, int32_t down) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(virtualKey);
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    if (SendInput(1, &input, sizeof input) != 1) setupError("SendInput refused key " + std::to_string(virtualKey));
    // A key event that does not reach the key state would make the scenario
    // test nothing: make sure the plug-in will see it.
    const bool isDown = (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
    if (isDown != (down != 0))
        setupError("after SendInput, key " + std::to_string(virtualKey) + " is not " + (down ? "down" : "up"));
    if (down)
        keysHeld.insert(virtualKey);
    else
        keysHeld.erase(virtualKey);
}

// ---- The plug-in's standard output ---------------------------------------------------------------
// Sends file descriptor 1 and the process's standard-output handle to a file,
// in text mode as a redirected console program has it. The plug-in shares
// this C runtime (msvcrt.dll), so its printf lands there.
class CapturedOutput {
public:
    explicit CapturedOutput(const std::string& path) : path_(path) {
        std::fflush(stdout);
        savedHandle_ = GetStdHandle(STD_OUTPUT_HANDLE);
        saved_ = _dup(1);
        const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_TEXT, _S_IREAD | _S_IWRITE);
        if (fd < 0 || _dup2(fd, 1) != 0) setupError("cannot send standard output to " + path);
        _close(fd);
        SetStdHandle(STD_OUTPUT_HANDLE, reinterpret_cast<HANDLE>(_get_osfhandle(1)));
    }
    // Restores standard output and returns the bytes written, line ends as written.
    std::string finish() {
        std::fflush(stdout);
        if (saved_ >= 0) _dup2(saved_, 1), _close(saved_);
        SetStdHandle(STD_OUTPUT_HANDLE, savedHandle_);
        std::ifstream in(path_, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::string path_;
    HANDLE savedHandle_ = nullptr;
    int saved_ = -1;
};

// ---- The script fibre ----------------------------------------------------------------------------
LPVOID driverFiber = nullptr;

void yieldToDriver() { SwitchToFiber(driverFiber); }

VOID CALLBACK scriptFiber(LPVOID script) {
    reinterpret_cast<void (*)()>(script)();
    say("FAIL: ScriptMain returned in pass %ld", static_cast<long>(currentPass));
    TerminateProcess(GetCurrentProcess(), 5);
}

template <typename T>
T exported(HMODULE module, const char* name) {
    FARPROC proc = GetProcAddress(module, name);
    if (proc == nullptr) setupError(std::string("the stand-in host does not export ") + name);
    return reinterpret_cast<T>(reinterpret_cast<void*>(proc));
}

std::string folderOf(const std::string& path) {
    const std::string::size_type slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        say("usage: e2e_driver SCENARIO.json OUTPUT_DIR");
        return 2;
    }
    SetUnhandledExceptionFilter(onCrash);
    // No error boxes: a failure to load must come back as an error code.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    const std::string scenarioPath = argv[1];
    const std::string outputDir = argv[2];
    const std::string workDir = outputDir + "/work";

    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    const std::string binDir = folderOf(self);

    // The stand-in first, under the host library's name, so the plug-in's
    // import of ScriptHookRDR2.dll binds to it.
    HMODULE host = LoadLibraryA((binDir + "\\ScriptHookRDR2.dll").c_str());
    if (host == nullptr) setupError("cannot load the stand-in ScriptHookRDR2.dll, error " + std::to_string(GetLastError()));
    const auto loadScenario = exported<decltype(&standinLoadScenario)>(host, "standinLoadScenario");
    const auto setYield = exported<decltype(&standinSetYield)>(host, "standinSetYield");
    const auto setKeyHandler = exported<decltype(&standinSetKeyHandler)>(host, "standinSetKeyHandler");
    const auto beforePass = exported<decltype(&standinBeforePass)>(host, "standinBeforePass");
    const auto afterPass = exported<decltype(&standinAfterPass)>(host, "standinAfterPass");
    const auto registration = exported<decltype(&standinRegistration)>(host, "standinRegistration");
    const auto finishRun = exported<decltype(&standinFinish)>(host, "standinFinish");

    char error[512] = "";
    const int32_t passes = loadScenario(scenarioPath.c_str(), workDir.c_str(), error, sizeof error);
    if (passes <= 0) setupError(std::string("scenario: ") + error);
    // The plug-in finds Veltrix.ini by its bare name, as in the game folder.
    if (!SetCurrentDirectoryA(workDir.c_str())) setupError("cannot enter " + workDir);
    setKeyHandler(sendKey);

    runDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE guard = CreateThread(nullptr, 0, watchdog, nullptr, 0, nullptr);
    if (runDone == nullptr || guard == nullptr) setupError("cannot start the watchdog");

    CapturedOutput output(outputDir + "/stdout.txt");

    HMODULE plugin = LoadLibraryA((binDir + "\\Veltrix.asi").c_str());
    if (plugin == nullptr) {
        output.finish();
        fail("LoadLibrary(Veltrix.asi) failed, error " + std::to_string(GetLastError()));
        return 1;
    }
    StandinRegistration reg = {};
    registration(&reg);
    if (reg.registers == 0 || reg.script == nullptr) {
        output.finish();
        fail("loading the plug-in registered no script");
        return 1;
    }
    if (reg.module != plugin) fail("scriptRegister was not given the plug-in's own module handle");
    if (moduleAt(reinterpret_cast<const void*>(reg.script)) != plugin) fail("the registered script does not lie in the plug-in");

    driverFiber = ConvertThreadToFiber(nullptr);
    LPVOID fiber = CreateFiber(0, scriptFiber, reinterpret_cast<LPVOID>(reg.script));
    if (driverFiber == nullptr || fiber == nullptr) setupError("cannot set up the script fibre");
    setYield(yieldToDriver);

    for (int32_t pass = 1; pass <= passes; ++pass) {
        beforePass(pass);
        InterlockedExchange(&currentPass, pass);
        SwitchToFiber(fiber);
        afterPass(pass);
    }
    // Leave no key down for whoever shares this Wine server next.
    while (!keysHeld.empty()) sendKey(*keysHeld.begin(), 0);

    // Unload with the script suspended in scriptWait; dropping its fibre is
    // the host's side of unregistering.
    if (!FreeLibrary(plugin)) fail("FreeLibrary(Veltrix.asi) failed");
    setYield(nullptr);
    DeleteFiber(fiber);
    registration(&reg);
    if (reg.unregisters > 0 && reg.unregisteredModule != plugin)
        fail("scriptUnregister was not given the plug-in's module handle");

    const std::string printed = output.finish();
    SetEvent(runDone);
    WaitForSingleObject(guard, INFINITE);

    // Text-mode standard output: every line the plug-in prints ends in CR LF.
    for (std::string::size_type at = printed.find('\n'); at != std::string::npos; at = printed.find('\n', at + 1))
        if (at == 0 || printed[at - 1] != '\r') {
            fail("a line on standard output does not end in CR LF");
            break;
        }

    const int32_t unmet = finishRun(outputDir.c_str(), printed.c_str(), [](const char* line) { fail(line); });
    if (unmet < 0) return 2;
    if (failures != 0) {
        say("FAIL: %s: %d check(s) failed", scenarioPath.c_str(), failures);
        return 1;
    }
    say("PASS: %s: %ld passes", scenarioPath.c_str(), static_cast<long>(passes));
    return 0;
}
