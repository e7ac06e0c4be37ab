// Fuzz target: the whole settings file. Each input becomes "Veltrix.ini" in a
// private working directory and goes through the start-up load: the key
// bindings and all thirteen reads of the catalogue over the same bytes.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "settings/catalogue.h"
#include "settings/key_bindings.h"

namespace {

void fail(const char* what) {
    std::fprintf(stderr, "settings_file_fuzzer: %s\n", what);
    std::abort();
}

bool writeFile(const uint8_t* data, size_t size) {
    const int fd = open("Veltrix.ini", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    close(fd);
    return done == size;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/veltrix-fuzz-XXXXXX";
    if (!mkdtemp(pattern) || chdir(pattern) != 0) fail("cannot make a private working directory");
    // The unknown-binding messages go to standard output; libFuzzer reports on
    // standard error, which stays.
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0 || dup2(null, STDOUT_FILENO) < 0) fail("cannot silence standard output");
    close(null);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!writeFile(data, size)) fail("cannot write Veltrix.ini");
    // Every input starts from a freshly loaded library.
    keyBindings.clear();
    resetFloatSettings();

    const StartupSettings settings = loadSettings();

    // The table never holds a code of 0, and the toggle key is the bound one
    // or the default.
    for (const auto& binding : keyBindings)
        if (binding.second == 0) fail("a binding with code 0 was stored");
    const auto toggle = keyBindings.find("ToggleKey");
    const int32_t expected = toggle == keyBindings.end() ? kDefaultToggleKey : toggle->second;
    if (settings.toggleKey != expected) fail("toggle key differs from the ToggleKey binding");
    return 0;
}
