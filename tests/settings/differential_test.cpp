// The plug-in's settings load held against the naive model of the rules
// (settings_model.h) over a seeded corpus of generated files: the fourteen
// values, the key-binding table and every printed line must agree.
#include <random>

#include "loaded_settings.h"
#include "settings_corpus.h"
#include "temp_dir.h"

namespace {

// A first start on a working directory holding `file` (null: none), through
// the plug-in's file reads.
model::Settings fileLoad(const std::string* file) {
    std::filesystem::remove_all("Veltrix.ini");
    if (file) std::ofstream("Veltrix.ini", std::ios::binary) << *file;
    keyBindings.clear();
    resetFloatSettings();
    testing::internal::CaptureStdout();
    const StartupSettings loaded = loadSettings();
    return decided(loaded, testing::internal::GetCapturedStdout());
}

std::string escaped(const std::string& file) {
    std::string out;
    for (unsigned char c : file) {
        if (c >= 32 && c < 127 && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

}  // namespace

using Differential = TempDirTest;

TEST_F(Differential, NoFileAgreesWithTheRules) {
    EXPECT_EQ(model::difference(model::load(nullptr), fileLoad(nullptr)), "");
}

// Every file in memory; every tenth also through the file, which each of the
// fourteen reads opens afresh.
TEST_F(Differential, GeneratedFilesAgreeWithTheRules) {
    std::mt19937 rng(20261208);
    int differences = 0;
    for (int n = 0; n < 4000 && differences < 5; ++n) {
        const std::string file = corpus::settingsFile(rng);
        const model::Settings rules = model::load(&file);
        std::string d = model::difference(rules, textLoad(file));
        if (d.empty() && n % 10 == 0) d = model::difference(rules, fileLoad(&file));
        if (!d.empty()) {
            ADD_FAILURE() << "file " << n << ": \"" << escaped(file).substr(0, 2000) << "\"\n" << d;
            ++differences;
        }
    }
}
