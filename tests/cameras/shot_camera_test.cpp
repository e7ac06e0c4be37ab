// Shot detection, the bullet camera and the arrow camera in the simulated world.
#include <cmath>

#include "cameras/arrow_camera.h"
#include "cameras/bullet_camera.h"
#include "sim_fixture.h"

namespace {
constexpr uint32_t kGun = 0x4E328256;
constexpr uint32_t kGatedGun = 0x99A23408;
constexpr uint32_t kBow = 0x88A8505C;
constexpr uint32_t kGatedBow = 0x06E0F12B;

using namespace sim::hash;

// One pass of firing `weapon` at a target 30 m away, in a world of its own.
void fireOnce(sim::World& fresh, sim::ScriptRunner& run, uint32_t weapon) {
    fresh.aimedEntity = fresh.spawnTarget({0, 30, 1}, {}, false, true);
    fresh.weapon = weapon;
    fresh.shooting = true;
    run.step();
}
}  // namespace

class ShotTest : public SimTest {
protected:
    int32_t target = 0;

    // A target standing `distance` ahead of the launch bone along x, aimed at
    // with `weapon` in hand, and one pass of shooting.
    void shoot(uint32_t weapon, float distance = 40.0f) {
        const Vector3 l = world.launchBonePosition();
        if (target == 0) target = world.spawnTarget({l.x + distance, l.y, l.z}, {}, false, true);
        world.weapon = weapon;
        world.aimedEntity = target;
        world.shooting = true;
        step();
        world.shooting = false;
    }
    // Passes until the live camera count drops to `count`, at most `limit`.
    int passesUntilLive(size_t count, int limit) {
        for (int n = 1; n <= limit; ++n) {
            step();
            if (world.liveCameras().size() == count) return n;
        }
        return -1;
    }
    std::vector<float> timeScales() const {
        std::vector<float> values;
        for (const auto& [p, v] : world.timeScaleHistory) values.push_back(v);
        return values;
    }
};

// ---- Bullet camera ------------------------------------------------------------------------

TEST_F(ShotTest, BulletTravels358PassesAndLingers209) {
    shoot(kGun);
    const int start = pass();
    ASSERT_EQ(world.liveCameras().size(), 1u);
    EXPECT_EQ(world.countInPass(start, SetCameraPosition), 1);  // first update in the start pass
    step(357);
    EXPECT_TRUE(bulletCamera.lingering) << "arrives in the 358th update";
    EXPECT_EQ(bulletCamera.travelProgress, 1.0f);
    step(208);
    ASSERT_EQ(world.liveCameras().size(), 1u);
    step();
    EXPECT_TRUE(world.liveCameras().empty()) << "linger ends in its 209th pass";
    EXPECT_FALSE(bulletCamActive);

    // Slowed at the start, linger speed in each of the 209 linger passes, normal at the end.
    std::vector<float> expected = {0.05f};
    expected.insert(expected.end(), 209, 0.05f);
    expected.push_back(1.0f);
    EXPECT_EQ(timeScales(), expected);
}

TEST_F(ShotTest, BulletFirstPositionIsOneStepAlongTheLine) {
    shoot(kGun, 40.0f);
    const sim::Camera* cam = onlyCamera();
    const Vector3 l = world.launchBonePosition();
    const float step = 3.5f * 0.016f * 0.05f;
    const float end = 40.0f - 1.2f;  // pulled back 3 %
    EXPECT_NEAR(cam->position.x, l.x + end * step, 1e-4f);
    EXPECT_NEAR(cam->position.y, l.y, 1e-5f);
    EXPECT_GT(cam->position.x, l.x);
}

TEST_F(ShotTest, BulletPullBackIsThreePercentNearAndCameraOffsetBackFar) {
    struct Case {
        float distance, pullBack;
    } cases[] = {{10.0f, 0.3f}, {50.0f, 1.5f}, {100.0f, 2.0f}, {500.0f, 2.0f}};
    for (const Case& c : cases) {
        sim::World fresh;
        sim::ScriptRunner run(fresh);
        const Vector3 l = fresh.launchBonePosition();
        fresh.aimedEntity = fresh.spawnTarget({l.x, l.y + c.distance, l.z}, {}, false, true);
        fresh.weapon = kGun;
        fresh.shooting = true;
        run.step();
        EXPECT_NEAR(bulletCamera.endPoint.y, l.y + c.distance - c.pullBack, 1e-4f) << c.distance;
        EXPECT_EQ(bulletCamera.endPoint.x, l.x);
    }
}

TEST_F(ShotTest, BulletOnItsTargetEasesToJustAboveIt) {
    const Vector3 l = world.launchBonePosition();
    target = world.spawnTarget(l, {}, false, true);
    shoot(kGun);
    EXPECT_EQ(bulletCamera.endPoint.x, l.x);
    EXPECT_EQ(bulletCamera.endPoint.z, l.z);
    step(500);
    const sim::Camera* cam = world.camera(bulletCamera.camera);
    ASSERT_NE(cam, nullptr);
    EXPECT_NEAR(cam->position.x, l.x, 1e-4f);
    EXPECT_NEAR(cam->position.z, l.z + 0.3f, 1e-3f);
}

TEST_F(ShotTest, VetoOrMissingTargetStartsNothing) {
    world.veto = true;
    shoot(kGun);
    world.veto = false;
    world.aimedEntity = 0;
    world.shooting = true;
    step(3);
    world.removeEntity(target);
    world.aimedEntity = target;
    step(3);
    EXPECT_EQ(world.camerasCreated, 0u);
    EXPECT_TRUE(world.timeScaleHistory.empty());
    EXPECT_FALSE(bulletCamActive);
}

TEST_F(ShotTest, SwitchesGateExactlyOneWeaponEach) {
    struct Case {
        uint32_t weapon;
        bool starts;
    } cases[] = {{0x4E328256, true}, {0x53944780, true}, {0x63F46DE6, true}, {0x772C8DD6, true},
                 {0xDDF7BC1E, true}, {0xE1D2B317, true}, {kGatedGun, false}, {kBow, true},
                 {kGatedBow, false},  {0x12345678, false}};
    for (const Case& c : cases) {
        ScratchDirectory scratch;
        scratch.write("Veltrix.ini", "[Projectiles]\nEnableBulletLineCamera=0\nEnableArrowCamera=false\n");
        sim::World fresh;
        sim::ScriptRunner run(fresh);
        fireOnce(fresh, run, c.weapon);
        EXPECT_EQ(fresh.camerasCreated, c.starts ? 1u : 0u) << std::hex << c.weapon;
    }
}

TEST_F(ShotTest, GatedWeaponsStartWhenSwitchedOn) {
    for (uint32_t weapon : {kGatedGun, kGatedBow}) {
        sim::World fresh;
        sim::ScriptRunner run(fresh);
        fireOnce(fresh, run, weapon);
        EXPECT_EQ(fresh.camerasCreated, 1u) << std::hex << weapon;
    }
}

TEST_F(ShotTest, RunningCameraIsNotRestartedAndUpdatesWithoutAWeapon) {
    shoot(kGun);
    world.shooting = true;
    step(5);
    EXPECT_EQ(world.camerasCreated, 1u);
    EXPECT_EQ(world.countInPass(pass(), ShootingTest), 1);  // asked while running, too
    world.weaponQueryAnswer = false;
    step();
    EXPECT_EQ(world.countInPass(pass(), ShootingTest), 0);
    EXPECT_EQ(world.countInPass(pass(), SetCameraPosition), 1);
}

TEST_F(ShotTest, BulletAndArrowRunTogetherBulletFirst) {
    shoot(kGun);
    shoot(kBow);
    ASSERT_EQ(world.liveCameras().size(), 2u);
    step();
    std::vector<int32_t> placed;
    for (const sim::NativeCall* c : world.callsInPass(pass()))
        if (c->hash == SetCameraPosition) placed.push_back(i(c->args[0]));
    EXPECT_EQ(placed, (std::vector<int32_t>{bulletCamera.camera, arrowCamera.camera}));
}

// ---- Arrow camera -------------------------------------------------------------------------

TEST_F(ShotTest, ArrowArrivesIn20UpdatesAndLingers358) {
    shoot(kBow, 16.0f);
    EXPECT_EQ(world.timeScale, 0.7f);
    step(18);
    EXPECT_LT(arrowCamera.travelProgress, 1.0f);
    step();
    EXPECT_EQ(arrowCamera.travelProgress, 1.0f) << "the 20th update arrives";
    const sim::Camera* cam = onlyCamera();
    EXPECT_NEAR(cam->position.x, world.launchBonePosition().x + 16.0f, 1e-4f);
    EXPECT_EQ(passesUntilLive(0, 400), 358);
    EXPECT_EQ(world.timeScale, 1.0f);
    EXPECT_EQ(world.timeScaleHistory[1].second, 0.05f);  // linger speed
}

TEST_F(ShotTest, ArrowFromOnTheTargetCompletesAtOnce) {
    target = world.spawnTarget(world.launchBonePosition(), {}, false, true);
    shoot(kBow);
    EXPECT_EQ(arrowCamera.travelProgress, 1.0f);
    const sim::Camera* cam = onlyCamera();
    EXPECT_EQ(cam->position.x, world.launchBonePosition().x);
    EXPECT_EQ(cam->position.z, world.launchBonePosition().z);
}

TEST_F(ShotTest, LingeringCameraLooksStraightAtTheTarget) {
    shoot(kBow, 8.0f);
    world.entity(target).velocity = {0.0f, 3.0f, 0.0f};  // walks away sideways
    step(30);
    const sim::Camera* cam = onlyCamera();
    const Vector3 p = world.targetPointOf(target);
    EXPECT_EQ(cam->pointAt.x, p.x);
    EXPECT_NEAR(cam->pointAt.y, p.y, 0.2f);  // the target moved on after this pass's query
    EXPECT_NE(cam->pointAt.y, arrowCamera.lookPoint.y);  // not the smoothed look point
}

// ---- Targets that vanish -----------------------------------------------------------------

TEST_F(ShotTest, TargetVanishingDuringTravelFreezesTheLookPoint) {
    shoot(kGun);
    step(10);
    world.removeEntity(target);
    step();
    const Vector3 frozen = onlyCamera()->pointAt;
    const float x = onlyCamera()->position.x;
    step(5);
    EXPECT_EQ(onlyCamera()->pointAt.x, frozen.x);
    EXPECT_EQ(onlyCamera()->pointAt.z, frozen.z);
    EXPECT_GT(onlyCamera()->position.x, x);  // the travel goes on
}

TEST_F(ShotTest, TargetVanishingWhileLingeringHoldsThenEnds) {
    shoot(kGun);
    step(400);  // lingering
    ASSERT_TRUE(bulletCamera.lingering);
    world.removeEntity(target);
    world.timeScale = 0.3f;
    step();
    const Vector3 held = onlyCamera()->position;
    step(10);
    EXPECT_EQ(onlyCamera()->position.x, held.x);
    EXPECT_EQ(world.timeScale, 0.3f);
    EXPECT_GT(passesUntilLive(0, 200), 0);
    EXPECT_EQ(world.timeScale, 1.0f);
}

// A camera whose target is gone when it arrives still lingers and ends, and
// normal game speed comes back.
TEST_F(ShotTest, TargetGoneAtArrivalStillEndsBothCameras) {
    for (uint32_t weapon : {kGun, kBow}) {
        sim::World fresh;
        sim::ScriptRunner run(fresh);
        fireOnce(fresh, run, weapon);
        fresh.shooting = false;
        fresh.removeEntity(fresh.aimedEntity);
        run.step(1000);
        EXPECT_TRUE(fresh.liveCameras().empty()) << std::hex << weapon;
        EXPECT_EQ(fresh.timeScale, 1.0f) << std::hex << weapon;
        EXPECT_FALSE(bulletCamActive || arrowCamActive);
        // and a new shot can start again
        fresh.aimedEntity = fresh.spawnTarget({0, 30, 1}, {}, false, true);
        fresh.shooting = true;
        run.step();
        EXPECT_EQ(fresh.liveCameras().size(), 1u);
    }
}

// ---- Target point --------------------------------------------------------------------------

class TargetPointTest : public ::testing::Test {
protected:
    sim::World world;
    void SetUp() override { sim::setActiveWorld(&world); }
    void TearDown() override { sim::setActiveWorld(nullptr); }
    int boneQueries() const { return static_cast<int>(world.callsOf(BoneIndex).size()); }
};

TEST_F(TargetPointTest, BoneListsInTheirOrder) {
    const Vector3 at = {5, 5, 0};
    const std::vector<sim::Bone> bones = {{53074, {0, 0, 0.5f}}, {14285, {0, 0, 1.0f}}, {21030, {0, 0, 1.7f}}};
    struct Case {
        const char* what;
        bool listA;
        bool positionOnly;
        std::vector<sim::Bone> bones;
        float z;
        int queries;
    } cases[] = {
        {"list A: its first bone", true, false, bones, 1.7f, 1},
        {"list B: 14285 comes first", false, false, bones, 1.0f, 1},
        {"list A: 14285 is second", true, false, {bones[1]}, 1.0f, 2},
        {"list B: its last bone", false, false, {bones[0]}, 0.5f, 8},
        {"no listed bone", true, false, {{1, {0, 0, 9}}}, 0.0f, 10},
        {"position only", false, true, bones, 0.0f, 0},
    };
    for (const Case& c : cases) {
        world.calls.clear();
        const int32_t e = world.spawnTarget(at, c.bones, c.listA, c.positionOnly);
        world.handOut(e);
        const Vector3 p = entityTargetPoint(e);
        EXPECT_EQ(p.z, c.z) << c.what;
        EXPECT_EQ(p.x, 5.0f) << c.what;
        EXPECT_EQ(boneQueries(), c.queries) << c.what;
        EXPECT_LE(world.callsOf(BonePosition).size(), 1u) << c.what;
    }
}

TEST_F(TargetPointTest, MissingEntityGivesItsPositionQueryFirst) {
    const int32_t e = world.spawnTarget({1, 2, 3}, {{21030, {0, 0, 1}}}, true);
    world.handOut(e);
    world.removeEntity(e);
    entityTargetPoint(e);
    ASSERT_EQ(world.calls.size(), 2u);
    EXPECT_EQ(world.calls[0].hash, EntityPosition);
    EXPECT_EQ(world.calls[1].hash, EntityExists);
}
