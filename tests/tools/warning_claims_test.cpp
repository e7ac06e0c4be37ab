// Every warning ini-check gives about a number says what the plug-in then
// does. Each case below has ini-check read a setting, finds its warning, and
// plays the plug-in with that setting to see the claim come true; and the
// frames of the player's-terms table (settings_report.h) are held against
// the frames the plug-in takes.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "cameras/arrow_camera.h"
#include "cameras/bullet_camera.h"
#include "float_text.h"
#include "settings_report.h"
#include "sim_fixture.h"

namespace {

constexpr uint32_t kKnife = 0x5F30F384;
constexpr uint32_t kSlowingBottle = 0xE5C6289E;
constexpr uint32_t kGun = 0x4E328256;
constexpr uint32_t kBow = 0x88A8505C;

// The plug-in started on a settings file in a world of its own.
struct Play {
    ScratchDirectory dir;
    sim::World world;
    std::unique_ptr<sim::ScriptRunner> runner;
    int32_t target = 0;

    explicit Play(const std::string& ini) {
        dir.write("Veltrix.ini", ini);
        world.logCalls = false;
        runner = std::make_unique<sim::ScriptRunner>(world);
    }
    void step(int passes = 1) { runner->step(passes); }
    float timeScale() const { return world.timeScale; }
    const sim::Camera* live() const {
        const auto cameras = world.liveCameras();
        return cameras.empty() ? nullptr : cameras.front();
    }
    // A target 30 m ahead, shot at in one pass (the shot pass is then the last run).
    void shoot(uint32_t weapon) {
        const Vector3 l = world.launchBonePosition();
        target = world.spawnTarget({l.x, l.y + 30, l.z}, {}, false, true);
        world.aimedEntity = target;
        world.weapon = weapon;
        world.shooting = true;
        step();
        world.shooting = false;
    }
    float distanceFromLaunch(Vector3 p) const {
        const Vector3 l = world.launchBonePosition();
        return std::hypot(p.x - l.x, p.y - l.y);
    }
    // A knife thrown level, flying until `passes` have gone by, then at rest.
    int32_t throwKnife() { return world.spawnObject(kKnife, {1, 0, 1}, {8, 0, 0}, false); }
    // How fast the game moves into the next pass, normal speed being 1: a
    // drifting object's step over the one it makes at time scale 1.
    float gameSpeed() {
        const int32_t drifter = world.spawnObject(0x0D0D0D0D, {0, -50, 1}, {1, 0, 0}, false);
        step();
        return world.entity(drifter).position.x / world.frameTime;
    }
};

void runsAt(Play& p, float speed) { EXPECT_NEAR(p.gameSpeed(), speed, speed * 1e-3f) << "the game's speed"; }

// The shot's camera sets the time scale `asked`, and the game runs at `speed`.
std::function<void(Play&)> shotRunsAt(uint32_t weapon, const char* asked, float speed) {
    return [=](Play& p) {
        p.shoot(weapon);
        EXPECT_EQ(sim::floatText(p.timeScale()), asked) << "the time scale set";
        runsAt(p, speed);
    };
}

std::string warningsOf(const std::string& ini) {
    const tools::IniReport r = tools::analyseIniText("Veltrix.ini", &ini);
    std::string text;
    for (const tools::Finding& w : r.warnings) text += w.text + "\n";
    return text;
}

struct Claim {
    const char* ini;
    const char* warning;
    std::function<void(Play&)> check;
};

// The bullet camera's first placement is its end point, close to the target.
void jumpsToTheEnd(Play& p) {
    p.shoot(kGun);
    ASSERT_NE(p.live(), nullptr);
    EXPECT_GT(p.distanceFromLaunch(p.live()->position), 28.0f) << "not at the end of the shot";
    EXPECT_TRUE(bulletCamera.lingering);
}

const Claim kClaims[] = {
    {"slowMotionFactor=0",
     "time scale is set to 0, which the game runs at its slowest: it never stands still or runs backwards; the "
     "bullet camera does not fly along the shot",
     [](Play& p) {
         jumpsToTheEnd(p);
         EXPECT_EQ(p.timeScale(), 0.0f) << "in the frame of the shot";
         runsAt(p, sim::kSlowestGameSpeed);
         EXPECT_EQ(p.timeScale(), 0.05f) << "BulletLingerSpeed from the next frame";
     }},
    {"slowMotionFactor=-1", "time scale is set to -1, which the game runs at its slowest", [](Play& p) {
         jumpsToTheEnd(p);
         EXPECT_EQ(p.timeScale(), -1.0f);
         runsAt(p, sim::kSlowestGameSpeed);
     }},
    {"slowMotionFactor=2",
     "slowMotionFactor 2: the game's time scale is set to 2 while the bullet camera flies, which the game runs at "
     "normal speed: it never runs faster",
     shotRunsAt(kGun, "2", 1.0f)},
    {"BowCamSpeed=1.5", "BowCamSpeed 1.5: the game's time scale is set to 1.5 while the arrow camera flies, which "
                        "the game runs at normal speed",
     shotRunsAt(kBow, "1.5", 1.0f)},
    {"BowCamSpeed=nan", "BowCamSpeed nan: the game's time scale is set to nan while the arrow camera flies, which "
                        "the game runs at its slowest",
     shotRunsAt(kBow, "nan", sim::kSlowestGameSpeed)},
    {"BulletCamSpeed=0", "BulletCamSpeed 0: the bullet camera does not fly along the shot", jumpsToTheEnd},
    {"BulletCamSpeed=-inf", "BulletCamSpeed -inf: the bullet camera does not fly", jumpsToTheEnd},
    {"BulletCamSpeed=nan", "BulletCamSpeed nan: the bullet camera does not fly", jumpsToTheEnd},
    {"BulletCamSpeed=1e-30", "gives up after ten minutes and gives normal speed back",
     [](Play& p) {
         p.shoot(kGun);
         p.step(tools::kShotCameraFrames - 2);
         EXPECT_TRUE(bulletCamActive);
         p.step();
         EXPECT_FALSE(bulletCamActive) << "ended in its frame " << tools::kShotCameraFrames;
         EXPECT_EQ(p.timeScale(), 1.0f);
     }},
    {"LingerTime=0", "end as soon as nothing flies, and the bullet camera in its first frame after arriving",
     [](Play& p) {
         const int32_t knife = p.throwKnife();
         p.step(3);
         p.world.entity(knife).velocity = {0, 0, 0};
         p.step();
         EXPECT_EQ(p.live(), nullptr) << "the knife camera ended in the first frame without a blade in flight";
         p.shoot(kGun);
         while (!bulletCamera.lingering) p.step();
         p.step();
         EXPECT_FALSE(bulletCamActive);
     }},
    {"LingerTime=nan", "end as soon as nothing flies",
     [](Play& p) {
         p.world.spawnObject(kSlowingBottle, {1, 0, 1}, {0, 8, 0}, false);
         p.step(3);
         p.world.entity(p.world.snapshotOrder[0]).velocity = {0, 0, 0};
         p.step();  // the hold
         p.step();
         EXPECT_EQ(p.live(), nullptr) << "the fire-bottle camera ended in its first frame of holding";
     }},
    {"LingerTime=1000", "hold their last view for ten minutes or more",
     [](Play& p) {
         const int32_t knife = p.throwKnife();
         p.step(3);
         p.world.entity(knife).velocity = {0, 0, 0};
         p.step(tools::kShotCameraFrames);
         EXPECT_NE(p.live(), nullptr) << "still holding after ten minutes";
     }},
    {"CameraOffsetBack=-1", "flies past the target, and the bullet and arrow cameras hold their view beyond it",
     [](Play& p) {
         for (uint32_t weapon : {kGun, kBow}) {
             p.shoot(weapon);
             ShotCameraState& shot = weapon == kGun ? bulletCamera : arrowCamera;
             while (!shot.lingering) p.step();
             if (weapon == kGun) {
                 EXPECT_GT(p.distanceFromLaunch(p.live()->position), 30.0f) << "past the target";
             }
             p.step(60);
             const float target = p.distanceFromLaunch(p.world.entity(p.target).position);
             EXPECT_GT(p.distanceFromLaunch(p.live()->position), target) << "beyond the target, weapon " << weapon;
             while (bulletCamActive || arrowCamActive) p.step();
         }
     }},
    {"CameraOffsetBack=inf", "placed at no real position while they hold their view",
     [](Play& p) {
         p.shoot(kGun);
         EXPECT_TRUE(std::isfinite(p.live()->position.y)) << "finite while it flies";
         while (!bulletCamera.lingering) p.step();
         p.step();
         EXPECT_FALSE(std::isfinite(p.live()->position.x) && std::isfinite(p.live()->position.y));
     }},
    {"CameraOffsetBack=nan", "and the bullet camera also while it flies",
     [](Play& p) {
         p.shoot(kGun);
         EXPECT_TRUE(std::isnan(p.live()->position.y));
     }},
    {"BulletLingerSpeed=0", "BulletLingerSpeed 0: the game's time scale is set to 0 while the bullet camera holds "
                            "its view, which the game runs at its slowest",
     [](Play& p) {
         p.shoot(kGun);
         while (!bulletCamera.lingering) p.step();
         p.step();
         const Vector3 before = p.live()->position;
         runsAt(p, sim::kSlowestGameSpeed);
         EXPECT_EQ(p.timeScale(), 0.0f);
         EXPECT_NE(p.live()->position.z, before.z) << "the camera still moves";
     }},
    {"BowCamSpeed=0", "BowCamSpeed 0: the game's time scale is set to 0 while the arrow camera flies, which the "
                      "game runs at its slowest",
     [](Play& p) {
         p.shoot(kBow);
         const Vector3 before = p.live()->position;
         runsAt(p, sim::kSlowestGameSpeed);
         EXPECT_EQ(p.timeScale(), 0.0f);
         EXPECT_NE(p.live()->position.y, before.y) << "the camera still moves";
     }},
    {"BowLingerSpeed=-2", "BowLingerSpeed -2: the game's time scale is set to -2 while the arrow camera holds its "
                          "view, which the game runs at its slowest: it never stands still or runs backwards",
     [](Play& p) {
         p.shoot(kBow);
         while (!arrowCamera.lingering) p.step();
         p.step();
         EXPECT_EQ(p.timeScale(), -2.0f);
         runsAt(p, sim::kSlowestGameSpeed);
     }},
};

}  // namespace

TEST(WarningClaims, EachWarningSaysWhatThePlugInDoes) {
    for (const Claim& c : kClaims) {
        SCOPED_TRACE(c.ini);
        const std::string ini = std::string("[Lingering]\n") + c.ini + "\n";
        EXPECT_NE(warningsOf(ini).find(c.warning), std::string::npos) << "ini-check says:\n" << warningsOf(ini);
        Play play(ini);
        c.check(play);
    }
}

// The frames of the player's-terms table against the frames the plug-in takes.
TEST(WarningClaims, TableFramesAreThePlugInsFrames) {
    for (const char* ini : {"", "LingerTime=0.5\nslowMotionFactor=0.2\nBulletCamSpeed=7", "LingerTime=-1",
                            "BulletCamSpeed=0"}) {
        SCOPED_TRACE(ini);
        const std::string file = std::string("[Lingering]\n") + ini + "\n";
        tools::analyseIniText("Veltrix.ini", &file);  // loads the file into the plug-in's numbers
        const tools::Meaning m = tools::meaningOf();

        Play knife(file);
        const int32_t blade = knife.throwKnife();
        knife.step(3);
        knife.world.entity(blade).velocity = {0, 0, 0};
        int held = 0;
        for (knife.step(); knife.live() != nullptr; knife.step()) ++held;
        EXPECT_EQ(held, m.thrownHold) << "knife hold";

        for (uint32_t weapon : {kGun, kBow}) {
            Play shot(file);
            shot.shoot(weapon);
            const ShotCameraState& state = weapon == kGun ? bulletCamera : arrowCamera;
            int travel = 1;
            while (!state.lingering) shot.step(), ++travel;
            int hold = 0;
            while (bulletCamActive || arrowCamActive) shot.step(), ++hold;
            EXPECT_EQ(travel, weapon == kGun ? m.bulletTravel : m.arrowTravel30) << "travel, weapon " << weapon;
            EXPECT_EQ(hold, weapon == kGun ? m.bulletHold : m.arrowHold) << "hold, weapon " << weapon;
        }
    }
}
