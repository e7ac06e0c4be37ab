// What the settings mean to a player (the table the tuner and veltrix-check
// show) is borne out by the bundled scenarios played with the same settings,
// and a switched-off camera is named where it would start.
#include <gtest/gtest.h>

#include "run_in_process.h"
#include "settings_report.h"
#include "sim_fixture.h"
#include "tuner.h"

namespace {

struct Played {
    tools::IniReport report;
    tools::Meaning meaning;
    std::map<std::string, sim::Trace> traces;  // by scenario name
};

Played play(const std::string& file) {
    Played p;
    p.report = tools::analyseIniText("Veltrix.ini", &file);
    p.meaning = tools::meaningOf();
    ScratchDirectory dir;
    for (size_t k = 0; k < tuner::kBundledScenarioCount; ++k) {
        sim::Scenario s = sim::parseScenario(nlohmann::json::parse(tuner::kBundledScenarios[k].json));
        s.ini = file;
        p.traces[s.name] = sim::runInProcess(s, dir.path() + "/" + s.name).trace;
    }
    return p;
}

const sim::CameraLife* life(const Played& p, const std::string& scenario, const std::string& mode) {
    for (const sim::CameraLife& l : p.traces.at(scenario).cameras)
        if (l.mode == mode) return &l;
    return nullptr;
}

std::string row(const tools::MeaningTable& t, size_t column, const std::string& camera) {
    for (const tools::MeaningRow& r : t.rows)
        if (r.camera.rfind(camera, 0) == 0) return column == 0 ? r.startedBy : column == 1 ? r.follows : r.then;
    return "no row for " + camera;
}

}  // namespace

TEST(MeaningFigures, AreTheFramesTheScenariosPlay) {
    const Played p = play("[Lingering]\nLingerTime=0.5\nslowMotionFactor=0.2\n");
    ASSERT_GE(p.traces.size(), 10u);
    const tools::MeaningTable t = tools::meaningTable(p.report, p.meaning);
    // The knife camera's hold ...
    const sim::CameraLife* knife = life(p, "knife", "blade");
    ASSERT_NE(knife, nullptr);
    EXPECT_EQ(knife->lingered, p.meaning.thrownHold);
    EXPECT_NE(row(t, 2, "Knife").find("holds its last view for " + tools::framesInWords(p.meaning.thrownHold)),
              std::string::npos) << row(t, 2, "Knife");
    // ... the bullet camera's whole life, start to end, travel and hold ...
    const sim::CameraLife* bullet = life(p, "bullet", "bullet");
    ASSERT_NE(bullet, nullptr);
    EXPECT_EQ(bullet->destroyed - bullet->created + 1, p.meaning.bulletTravel + p.meaning.bulletHold);
    EXPECT_NE(row(t, 1, "Bullet").find("along the shot for " + tools::framesInWords(p.meaning.bulletTravel)),
              std::string::npos) << row(t, 1, "Bullet");
    // ... and the arrow's hold, whose last frame is the end.
    const sim::CameraLife* arrow = life(p, "arrow", "arrow");
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(arrow->lingered + 1, p.meaning.arrowHold);
}

TEST(MeaningFigures, SwitchedOffCamerasAreNamedAndNotStarted) {
    const Played on = play("[Projectiles]\nEnableKnifeCamera=1\n");
    const Played off = play("[Projectiles]\nEnableArrowCamera=0\nEnableKnifeCamera=0\n");
    const tools::MeaningTable onTable = tools::meaningTable(on.report, on.meaning);
    const tools::MeaningTable offTable = tools::meaningTable(off.report, off.meaning);
    EXPECT_EQ(row(onTable, 0, "Knife"), "knives, tomahawks");
    EXPECT_EQ(row(offTable, 0, "Knife"), "not knives (EnableKnifeCamera is false, line 3), tomahawks");
    EXPECT_EQ(row(offTable, 0, "Arrow"), "bow, not improved bow (0x06E0F12B) (EnableArrowCamera is false, line 2)");
    EXPECT_EQ(row(offTable, 0, "Bullet"), "rare Rolling Block rifle, Carcano rifle, Springfield rifle, Bolt-action rifle, "
                                          "Varmint rifle, Rolling Block rifle, Elephant rifle (0x99A23408)");
    EXPECT_NE(life(on, "knife", "blade"), nullptr);
    EXPECT_EQ(life(off, "knife", "blade"), nullptr);
    EXPECT_NE(life(off, "tomahawk", "blade"), nullptr);
}
