#include "settings/catalogue.h"

#include "settings/settings_file.h"
#include "temp_dir.h"

using Catalogue = TempDirTest;

namespace {

const char* const kFloatKeys[] = {"BulletCamSpeed",    "LingerTime",     "CameraOffsetBack", "slowMotionFactor",
                                  "BulletLingerSpeed", "BowLingerSpeed", "BowCamSpeed"};
const float kDefaults[] = {3.5f, 2.5f, 2.0f, 0.05f, 0.05f, 0.05f, 0.7f};

std::vector<float> floats() {
    return {BulletCamSpeed, LingerTime, CameraOffsetBack, slowMotionFactor, BulletLingerSpeed, BowLingerSpeed, BowCamSpeed};
}

std::vector<bool> switches(const CameraSwitches& s) {
    return {s.EnableKnifeCamera,      s.EnableArrowCamera,      s.EnableTomahawkCamera,
            s.EnableDynamiteCamera, s.EnableFireBottleCamera, s.EnableBulletLineCamera};
}

StartupSettings load(std::string& printed) {
    testing::internal::CaptureStdout();
    const StartupSettings settings = loadSettings();
    printed = testing::internal::GetCapturedStdout();
    return settings;
}

void expectDefaults(const StartupSettings& settings) {
    EXPECT_EQ(settings.toggleKey, 78);
    EXPECT_EQ(switches(settings.switches), std::vector<bool>(6, true));
    EXPECT_EQ(floats(), std::vector<float>(std::begin(kDefaults), std::end(kDefaults)));
}

}  // namespace

TEST_F(Catalogue, DefaultsWithoutUsableFile) {
    for (const char* setup : {"none", "empty", "directory", "misplaced"}) {
        SCOPED_TRACE(setup);
        std::filesystem::remove_all("Veltrix.ini");
        if (setup[0] == 'e') writeIni("");
        if (setup[0] == 'd') std::filesystem::create_directory("Veltrix.ini");
        if (setup[0] == 'm') writeIni("[Projectiles]\nLingerTime=9\n[Lingering]\nEnableKnifeCamera=0\n");
        std::string printed;
        expectDefaults(load(printed));
        EXPECT_EQ(printed, setup[0] == 'm' ? "Unknown key binding: EnableKnifeCamera=0\n" : "");
    }
}

TEST_F(Catalogue, FullFileAndRestart) {
    writeIni("[Keys]\nToggleKey=F6\n[Projectiles]\nEnableKnifeCamera=true\nEnableArrowCamera=false\n"
             "EnableTomahawkCamera=1\nEnableDynamiteCamera=0\nEnableFireBottleCamera=True\n"
             "EnableBulletLineCamera=False\n[Lingering]\nBulletCamSpeed=4\nLingerTime=3.5\n"
             "CameraOffsetBack=-1\nslowMotionFactor=0.1\nBulletLingerSpeed=0.2\nBowLingerSpeed=0.3\nBowCamSpeed=0.9\n");
    const std::string messages =
        "Unknown key binding: EnableKnifeCamera=TRUE\nUnknown key binding: EnableArrowCamera=FALSE\n"
        "Unknown key binding: EnableDynamiteCamera=0\nUnknown key binding: EnableFireBottleCamera=TRUE\n"
        "Unknown key binding: EnableBulletLineCamera=FALSE\nUnknown key binding: CameraOffsetBack=-1\n"
        "Unknown key binding: slowMotionFactor=0.1\nUnknown key binding: BulletLingerSpeed=0.2\n"
        "Unknown key binding: BowLingerSpeed=0.3\nUnknown key binding: BowCamSpeed=0.9\n";
    const std::vector<float> read = {4.0f, 3.5f, -1.0f, 0.1f, 0.2f, 0.3f, 0.9f};
    std::string printed;
    StartupSettings settings = load(printed);
    EXPECT_EQ(settings.toggleKey, 117);
    EXPECT_EQ(switches(settings.switches), (std::vector<bool>{true, false, true, false, true, false}));
    EXPECT_EQ(floats(), read);
    EXPECT_EQ(printed, messages);

    // A later start keeps earlier bindings and numbers the file no longer gives.
    writeIni("ToggleKey=Shift\n[Lingering]\nLingerTime=abc\n");
    settings = load(printed);
    EXPECT_EQ(settings.toggleKey, 117);
    EXPECT_EQ(switches(settings.switches), std::vector<bool>(6, true));
    EXPECT_EQ(floats(), read);
    EXPECT_EQ(printed, "Unknown key binding: ToggleKey=SHIFT\nUnknown key binding: LingerTime=ABC\n");
}

TEST_F(Catalogue, ShippedFileHoldsEveryDefault) {
    std::filesystem::copy_file(VELTRIX_SOURCE_DIR "/dist/Veltrix.ini", "Veltrix.ini");
    std::string printed;
    expectDefaults(load(printed));
    EXPECT_EQ(printed, "");

    // Every setting is written out, not left to its fallback: switches as 1.
    EXPECT_EQ(keyBindings.count("ToggleKey"), 1u);
    for (const char* key : {"EnableKnifeCamera", "EnableArrowCamera", "EnableTomahawkCamera", "EnableDynamiteCamera",
                            "EnableFireBottleCamera", "EnableBulletLineCamera"})
        EXPECT_EQ(readFloat("Veltrix.ini", "Projectiles", key, -1.0f), 1.0f) << key;
    for (size_t i = 0; i < 7; ++i)
        EXPECT_EQ(readFloat("Veltrix.ini", "Lingering", kFloatKeys[i], -1.0f), kDefaults[i]) << kFloatKeys[i];
}
