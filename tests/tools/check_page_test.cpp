// veltrix-check's page: every bundled scenario previewed with the modder's
// settings, and the figures of its player's-terms table borne out by those
// previews' own traces.
#include <gtest/gtest.h>

#include <filesystem>

#include "check_page.h"
#include "sim_fixture.h"

namespace {

tools::CheckOutcome check(const std::string& file) {
    ScratchDirectory dir;
    return tools::checkSettings("Veltrix.ini", &file, dir.path());
}

const sim::CameraLife* life(const tools::CheckOutcome& o, const std::string& scenario, const std::string& mode) {
    for (const tools::PreviewRun& run : o.previews)
        if (run.scenario.name == scenario)
            for (const sim::CameraLife& l : run.trace.cameras)
                if (l.mode == mode) return &l;
    return nullptr;
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace

TEST(CheckPage, PreviewsEveryBundledScenarioWithTheseSettings) {
    const std::string file = "[Lingering]\nLingerTime=0.5\nslowMotionFactor=0.2\n";
    const tools::CheckOutcome o = check(file);
    ASSERT_EQ(o.previews.size(), tools::kBundledScenarioCount);
    ASSERT_GE(tools::kBundledScenarioCount, 10u);
    for (const tools::PreviewRun& run : o.previews) {
        EXPECT_EQ(run.error, "") << run.scenario.name;
        EXPECT_EQ(run.scenario.ini, file) << "played with the modder's file";
    }
    const std::string page = tools::renderCheckPage(o);
    EXPECT_EQ(count(page, "<svg "), 4 * o.previews.size());
    EXPECT_EQ(count(page, "<section class=\"run\">"), o.previews.size());
    for (const tools::EffectiveSetting& s : o.report.settings) EXPECT_NE(page.find("<th>" + s.key + "</th>"), std::string::npos);

    // The table's figures are the previews' frames: the knife camera's hold ...
    const sim::CameraLife* knife = life(o, "knife", "blade");
    ASSERT_NE(knife, nullptr);
    EXPECT_EQ(knife->lingered, o.meaning.thrownHold);
    EXPECT_NE(page.find("holds its last view for " + tools::framesInWords(o.meaning.thrownHold)), std::string::npos);
    // ... and the bullet camera's whole life, start to end, travel and hold.
    const sim::CameraLife* bullet = life(o, "bullet", "bullet");
    ASSERT_NE(bullet, nullptr);
    EXPECT_EQ(bullet->destroyed - bullet->created + 1, o.meaning.bulletTravel + o.meaning.bulletHold);
    EXPECT_NE(page.find("along the shot for " + tools::framesInWords(o.meaning.bulletTravel)), std::string::npos);
    const sim::CameraLife* arrow = life(o, "arrow", "arrow");
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(arrow->lingered + 1, o.meaning.arrowHold) << "the hold's last frame is the end";
}

// A camera switched off shows in the table as not started, and in the
// previews as no camera.
TEST(CheckPage, SwitchedOffCamerasAreNamedAndNotPreviewed) {
    const tools::CheckOutcome on = check("[Projectiles]\nEnableKnifeCamera=1\n");
    const tools::CheckOutcome off = check("[Projectiles]\nEnableArrowCamera=0\nEnableKnifeCamera=0\n");
    const std::string onPage = tools::renderCheckPage(on), offPage = tools::renderCheckPage(off);
    EXPECT_NE(onPage.find("<td>knives, tomahawks</td>"), std::string::npos);
    EXPECT_NE(offPage.find("<td>not knives (EnableKnifeCamera is false, line 3), tomahawks</td>"), std::string::npos);
    EXPECT_NE(offPage.find("the bow 0x88A8505C, not the bow 0x06E0F12B (EnableArrowCamera is false, line 2)"),
              std::string::npos);
    EXPECT_NE(offPage.find("<td>six guns, the gun 0x99A23408</td>"), std::string::npos);
    EXPECT_NE(life(on, "knife", "blade"), nullptr);
    EXPECT_EQ(life(off, "knife", "blade"), nullptr);
    EXPECT_NE(life(off, "tomahawk", "blade"), nullptr);
}

TEST(CheckPage, UnreadableFileHasNoPreview) {
    ScratchDirectory dir;
    const tools::CheckOutcome o = tools::checkSettings("Veltrix.ini", nullptr, dir.path());
    EXPECT_FALSE(o.report.readable);
    EXPECT_TRUE(o.previews.empty());
}
