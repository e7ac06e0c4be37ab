#include "platform.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace check {

namespace fs = std::filesystem;

#ifdef _WIN32
namespace {
// What cannot be UTF-8 (a lone surrogate in a file name) becomes U+FFFD.
std::string utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return std::string();
    std::string out(static_cast<size_t>(size - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
    return out;
}
}  // namespace

// The narrow argv holds the arguments in the ANSI code page, which cannot
// spell every name: read the wide command line instead.
std::vector<std::string> arguments(int, char**) {
    std::vector<std::string> out;
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (args == nullptr) return out;
    for (int i = 1; i < count; ++i) out.push_back(utf8(args[i]));
    LocalFree(args);
    return out;
}

std::string programDirectory() {
    wchar_t path[MAX_PATH * 4];
    const DWORD size = GetModuleFileNameW(nullptr, path, sizeof path / sizeof path[0]);
    if (size == 0 || size >= sizeof path / sizeof path[0]) return ".";
    return fs::path(path).parent_path().u8string();
}

void prepareConsole() { SetConsoleOutputCP(CP_UTF8); }

void holdOwnConsole() {
    DWORD processes[2];
    DWORD mode = 0;
    if (GetConsoleProcessList(processes, 2) != 1 || !GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode)) return;
    std::cout << "\nPress Enter to close this window." << std::flush;
    std::string line;
    std::getline(std::cin, line);
}

bool openInBrowser(const std::string& path) {
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", fs::u8path(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}
#else
std::vector<std::string> arguments(int argc, char** argv) { return std::vector<std::string>(argv + 1, argv + argc); }

std::string programDirectory() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : self.parent_path().string();
}

void prepareConsole() {}

void holdOwnConsole() {}

bool openInBrowser(const std::string& path) {
    const std::string command = "xdg-open '" + path + "' >/dev/null 2>&1 &";
    return path.find('\'') == std::string::npos && std::system(command.c_str()) == 0;
}
#endif

}  // namespace check
