// Timing of the plug-in against the fast host:
//   pass/STATE/N   one switched-on pass (runPass) in a steady state, with a
//                  snapshot of N objects;
//   floor/STATE/N  the same host calls replayed with no plug-in logic between
//                  them, so that pass/floor is what the plug-in itself costs;
//   settings/...   the start-up settings load on the shipped file and on 1 MiB.
// Counters per pass: natives (native calls), allocations (heap allocations).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <sstream>
#include <string>

#include "alloc_count.h"
#include "scenario.h"
#include "settings/catalogue.h"
#include "settings/key_bindings.h"

namespace {

constexpr int32_t kSizes[] = {0, 64, 256, 1024};

void setCounters(benchmark::State& st, const fast::Trace& trace, double allocationsPerPass) {
    st.counters["natives"] = static_cast<double>(trace.natives());
    st.counters["allocations"] = allocationsPerPass;
}

// The state entered by real passes, and the host calls of one pass in it;
// null (the benchmark marked as failed) when the state cannot be reached.
std::unique_ptr<bench::Scenario> enterState(benchmark::State& st, bench::State state, int32_t objects,
                                            fast::Trace& trace) {
    try {
        auto scenario = std::make_unique<bench::Scenario>(state, objects);
        scenario->recordPass(trace);
        return scenario;
    } catch (const std::exception& e) {
        st.SkipWithError(e.what());
        return nullptr;
    }
}

void passBenchmark(benchmark::State& st, bench::State state, int32_t objects) {
    fast::Trace trace;
    const std::unique_ptr<bench::Scenario> scenario = enterState(st, state, objects, trace);
    if (!scenario) return;

    // Allocations over two whole batches, outside the timed loop.
    constexpr int kCountedBatches = 2;
    const uint64_t before = bench::allocationCount();
    for (int b = 0; b < kCountedBatches; ++b) {
        scenario->restore();
        for (int i = 0; i < bench::kBatch; ++i) scenario->pass();
    }
    const double allocations =
        static_cast<double>(bench::allocationCount() - before) / (kCountedBatches * bench::kBatch);

    // The restore copies a few hundred bytes once per batch of passes.
    while (st.KeepRunningBatch(bench::kBatch)) {
        scenario->restore();
        for (int i = 0; i < bench::kBatch; ++i) scenario->pass();
    }
    if (!scenario->inState()) {
        st.SkipWithError("left the state during the timed passes");
        return;
    }
    setCounters(st, trace, allocations);
}

void floorBenchmark(benchmark::State& st, bench::State state, int32_t objects) {
    fast::Trace trace;
    const std::unique_ptr<bench::Scenario> scenario = enterState(st, state, objects, trace);
    if (!scenario) return;
    scenario->restore();
    static int32_t buffer[fast::kSnapshotCapacity];
    while (st.KeepRunningBatch(bench::kBatch)) {
        for (int i = 0; i < bench::kBatch; ++i) fast::replay(trace, buffer);
    }
    setCounters(st, trace, 0.0);
}

// ---- Settings load --------------------------------------------------------------------

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// About 1 MiB of what a hand-kept settings file may grow into: comments,
// blank lines, sections and entries of every kind of value, with the shipped
// settings last, so that every one of the fourteen scans reads the whole file.
std::string largeSettings(const std::string& shipped) {
    static const char* const kValues[] = {"1", "true", "0", "False", "2.5", "5e-2", "K", "F5", "0x4E",
                                          "Space", "some words of text", "-1", "12", "esc"};
    static const char* const kComments[] = {
        "; A comment line of the kind users keep around old values.",
        ";ToggleKey=M",
        "; ---------------------------------------------------------------",
        ";   indented note: numbers are read with the C locale, 2,5 reads as 2",
    };
    constexpr size_t kTarget = 1u << 20;
    std::string out;
    out.reserve(kTarget + shipped.size());
    uint32_t seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFF;
    };
    int section = 0;
    int entry = 0;
    while (out.size() + shipped.size() < kTarget) {
        const uint32_t r = next() % 100;
        if (r < 4) {
            out += "[Section" + std::to_string(section++ % 97) + "]\n";
        } else if (r < 8) {
            out += (r % 2) ? "[Projectiles]\n" : "[Lingering]\n";
        } else if (r < 38) {
            out += kComments[next() % 4];
            out += '\n';
        } else if (r < 46) {
            out += (r % 2) ? "\n" : "   \t\n";
        } else {
            out += "  Setting" + std::to_string(entry++) + " = " + kValues[next() % 14] + "\r\n";
        }
    }
    return out + shipped;
}

struct SettingsDirectory {
    std::string path;
    explicit SettingsDirectory(const std::string& content) {
        char pattern[] = "/tmp/veltrix-bench-XXXXXX";
        if (!mkdtemp(pattern)) throw std::runtime_error("cannot make a scratch directory");
        path = pattern;
        std::ofstream(path + "/Veltrix.ini", std::ios::binary) << content;
    }
    ~SettingsDirectory() { std::system(("rm -rf '" + path + "'").c_str()); }
};

// The load prints a notice per unreadable key binding; those lines go to
// /dev/null while it is timed (the formatting is still paid for).
class QuietStdout {
public:
    QuietStdout() {
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        close(null);
    }
    ~QuietStdout() {
        std::fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
    }

private:
    int saved_;
};

void settingsBenchmark(benchmark::State& st, const std::string* directory, uint64_t fileBytes) {
    char previous[4096];
    if (!getcwd(previous, sizeof previous) || chdir(directory->c_str()) != 0) {
        st.SkipWithError("cannot enter the settings directory");
        return;
    }
    StartupSettings loaded;
    {
        QuietStdout quiet;
        for (auto _ : st) {
            // A fresh library load: no bindings from an earlier start.
            st.PauseTiming();
            keyBindings.clear();
            resetFloatSettings();
            st.ResumeTiming();
            loaded = loadSettings();
            benchmark::DoNotOptimize(loaded);
        }
    }
    if (chdir(previous) != 0) st.SkipWithError("cannot leave the settings directory");
    // Both files carry the shipped values; a load that missed them did not read the file.
    if (loaded.toggleKey != 78 || BowCamSpeed != 0.7f || slowMotionFactor != 0.05f)
        st.SkipWithError("the shipped settings were not read");
    st.counters["bytes"] = static_cast<double>(fileBytes);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string shipped = readFile(VELTRIX_SHIPPED_INI);
    if (shipped.empty()) {
        std::fprintf(stderr, "cannot read %s\n", VELTRIX_SHIPPED_INI);
        return 1;
    }
    const std::string large = largeSettings(shipped);
    const SettingsDirectory shippedDir(shipped);
    const SettingsDirectory largeDir(large);

    for (bench::State state : bench::kStates) {
        for (int32_t n : kSizes) {
            const std::string suffix = std::string(bench::stateName(state)) + "/" + std::to_string(n);
            benchmark::RegisterBenchmark(("pass/" + suffix).c_str(), passBenchmark, state, n);
            benchmark::RegisterBenchmark(("floor/" + suffix).c_str(), floorBenchmark, state, n);
        }
    }
    benchmark::RegisterBenchmark("settings/shipped", settingsBenchmark, &shippedDir.path,
                                 static_cast<uint64_t>(shipped.size()))
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("settings/1MiB", settingsBenchmark, &largeDir.path,
                                 static_cast<uint64_t>(large.size()))
        ->Unit(benchmark::kMillisecond);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
