// Thrown blade and explosive cameras in the simulated world.
#include <cmath>
#include <set>

#include "sim_fixture.h"

namespace {
constexpr uint32_t kKnife = 0x5F30F384;
constexpr uint32_t kTomahawk = 0xC82FC323;
constexpr uint32_t kDynamite = 0x094A2080;
constexpr uint32_t kDynamiteB = 0xD6E9BBBC;
constexpr uint32_t kBottleAnySpeed = 0xFF2EDB6F;
constexpr uint32_t kBottleHeld = 0xE5C6289E;
constexpr uint32_t kOther = 0x11111111;

using namespace sim::hash;
}  // namespace

class ThrownTest : public SimTest {
protected:
    // A projectile near the player flying level at constant speed (no gravity),
    // so that tests decide when it stops.
    int32_t fly(uint32_t model, Vector3 velocity = {10.0f, 0.0f, 0.0f}) {
        return world.spawnObject(model, {1.0f, 0.0f, 1.0f}, velocity, false);
    }
    void stop(int32_t handle) { world.entity(handle).velocity = {0, 0, 0}; }
    int created() const { return static_cast<int>(world.camerasCreated); }
    int destroyedIn(int passNumber) const { return world.countInPass(passNumber, DestroyCamera); }
};

// ---- Blade camera ---------------------------------------------------------------------

TEST_F(ThrownTest, BladeSwitchesGateOnlyTheSearch) {
    settings("[Projectiles]\nEnableKnifeCamera=0\n");
    const int32_t knife = fly(kKnife);
    step(3);
    EXPECT_EQ(created(), 0) << "knife with its switch off";

    const int32_t tomahawk = fly(kTomahawk);
    step();
    ASSERT_EQ(created(), 1) << "tomahawk with its switch on";
    const sim::Camera* cam = onlyCamera();

    // While live, the knife in flight steers the camera too: two placements a pass.
    step();
    EXPECT_EQ(world.countInPass(pass(), SetCameraPosition), 2);
    stop(tomahawk);
    step();
    EXPECT_EQ(world.countInPass(pass(), SetCameraPosition), 1);
    EXPECT_GT(cam->position.x, 0.0f);  // follows the knife, which flew on
    (void)knife;
}

TEST_F(ThrownTest, BladesThatDoNotQualifyStartNothing) {
    struct Case {
        const char* what;
        Vector3 position;
        Vector3 velocity;
        bool attached;
    } cases[] = {
        {"attached", {1, 0, 1}, {10, 0, 0}, true},
        {"resting", {1, 0, 1}, {0, 0, 0}, false},
        {"just at the speed threshold", {1, 0, 1}, {0.01f, 0, 0}, false},
        {"more than 5 m away", {5.01f, 0, 0}, {10, 0, 0}, false},
    };
    for (const Case& c : cases) {
        const int32_t h = world.spawnObject(kKnife, c.position, c.velocity, false);
        world.entity(h).attached = c.attached;
    }
    world.frameTime = 0.0f;  // hold everything in place
    step(3);
    EXPECT_EQ(created(), 0);
}

TEST_F(ThrownTest, BladeStartsUnplacedThenSmoothsOneTenth) {
    fly(kKnife);
    step();
    EXPECT_EQ((cameraCallsInPass(1)),
              (std::vector<std::string>{"create-camera", "activate-camera", "render-switch", "time-scale"}));
    EXPECT_EQ(world.timeScale, 1.0f);
    EXPECT_EQ(world.renderArgs[0], 1);
    EXPECT_EQ(world.renderArgs[1], 0);
    const sim::Camera* cam = onlyCamera();
    EXPECT_FALSE(cam->placed);

    step();  // the knife has moved 0.16 m along x
    const float px = 1.0f + 10.0f * 0.016f;
    EXPECT_NEAR(world.entity(world.snapshotOrder[0]).position.x, px, 1e-6f);
    // Camera: one tenth of the way from the start position (1,0,1) to (px-2, 0, 2).
    EXPECT_NEAR(cam->position.x, 1.0f + ((px - 2.0f) - 1.0f) * 0.1f, 1e-6f);
    EXPECT_EQ(cam->position.y, 0.0f);
    EXPECT_NEAR(cam->position.z, 1.1f, 1e-6f);
    // Aim: one twentieth of the way to half a second ahead of the knife.
    EXPECT_NEAR(cam->pointAt.x, 1.0f + ((px + 5.0f) - 1.0f) * 0.05f, 1e-6f);
    EXPECT_NEAR(cam->pointAt.z, 1.0f, 1e-6f);
}

TEST_F(ThrownTest, BladeLingers157PassesAndEndsInThe158th) {
    const int32_t knife = fly(kKnife);
    step(10);
    stop(knife);
    step(157);
    ASSERT_EQ(world.liveCameras().size(), 1u);
    EXPECT_EQ(world.countInPass(pass(), SetCameraPosition), 1);  // holding still
    step();
    EXPECT_TRUE(world.liveCameras().empty());
    EXPECT_EQ((cameraCallsInPass(pass())), (std::vector<std::string>{"render-switch", "destroy-camera", "time-scale"}));
    EXPECT_EQ(world.renderArgs[0], 0);
    EXPECT_EQ(world.renderArgs[1], 0);  // the blade's own end flag
    EXPECT_EQ(world.timeScale, 1.0f);
}

TEST_F(ThrownTest, BladeLingerTimeZeroOrLessEndsAtOnce) {
    for (const char* value : {"0", "-1"}) {
        sim::World fresh;
        world.calls.clear();
        ScratchDirectory scratch;
        scratch.write("Veltrix.ini", std::string("[Lingering]\nLingerTime=") + value + "\n");
        sim::ScriptRunner run(fresh);
        const int32_t knife = fresh.spawnObject(kKnife, {1, 0, 1}, {10, 0, 0}, false);
        run.step(3);
        fresh.entity(knife).velocity = {0, 0, 0};
        run.step();
        EXPECT_TRUE(fresh.liveCameras().empty()) << "LingerTime=" << value;
        EXPECT_EQ(fresh.countInPass(fresh.pass, DestroyCamera), 1) << "LingerTime=" << value;
    }
}

TEST_F(ThrownTest, BladeLingerBudgetIsSharedAcrossStretches) {
    const int32_t knife = fly(kKnife);
    step(5);
    stop(knife);
    step(50);  // fifty linger passes
    world.entity(knife).velocity = {10, 0, 0};
    step(20);  // following again: the timer keeps its value
    stop(knife);
    step(107);  // the rest of the budget
    EXPECT_EQ(world.liveCameras().size(), 1u);
    step();
    EXPECT_TRUE(world.liveCameras().empty());
}

// ---- Explosive camera ------------------------------------------------------------------

TEST_F(ThrownTest, DynamiteIsFollowedAtRestAndEndsAtOnceWhenGone) {
    for (uint32_t model : {kDynamite, kDynamiteB}) {
        sim::World fresh;
        sim::ScriptRunner run(fresh);
        const int32_t stick = fresh.spawnObject(model, {1, 0, 1.5f}, {4, 3, 2}, true);
        run.step(120);  // thrown, landed, lying still
        const sim::Entity& e = fresh.entity(stick);
        ASSERT_EQ(e.velocity.x, 0.0f);
        auto live = fresh.liveCameras();
        ASSERT_EQ(live.size(), 1u);
        EXPECT_EQ(live[0]->nearClip, 0.01f);
        EXPECT_EQ(live[0]->fieldOfView, 60.0f);
        // Straight above it, looking down at it.
        EXPECT_EQ(live[0]->position.x, e.position.x);
        EXPECT_EQ(live[0]->position.y, e.position.y);
        EXPECT_EQ(live[0]->position.z, e.position.z + 0.8f);
        EXPECT_EQ(live[0]->pointAt.z, e.position.z);

        fresh.timeScale = 0.3f;  // as if another mode had slowed the game
        fresh.removeEntity(stick);
        run.step();
        EXPECT_TRUE(fresh.liveCameras().empty());
        EXPECT_EQ(fresh.countInPass(fresh.pass, TimeScale), 0);
        EXPECT_EQ(fresh.renderArgs[1], 1);
        EXPECT_TRUE(fresh.errors.empty());
    }
}

TEST_F(ThrownTest, ExplosiveCameraRidesBehindTheHorizontalFlight) {
    const int32_t stick = fly(kDynamite, {3.0f, 4.0f, 12.0f});  // steep: |v| = 13
    step(2);
    const sim::Entity& e = world.entity(stick);
    const sim::Camera* cam = onlyCamera();
    EXPECT_NEAR(cam->position.x, e.position.x - 2.0f * 3.0f / 13.0f, 1e-5f);
    EXPECT_NEAR(cam->position.y, e.position.y - 2.0f * 4.0f / 13.0f, 1e-5f);
    EXPECT_NEAR(cam->position.z, e.position.z + 0.8f, 1e-5f);
    EXPECT_EQ(cam->pointAt.x, e.position.x);
}

TEST_F(ThrownTest, FastBottleIsFollowedAtAnySpeedUntilGone) {
    const int32_t bottle = fly(kBottleAnySpeed, {1.0f, 0, 0});  // slow from the start
    step(30);
    EXPECT_EQ(world.liveCameras().size(), 1u);
    EXPECT_EQ(world.countInPass(pass(), SetCameraPosition), 1);
    world.removeEntity(bottle);
    step();
    EXPECT_TRUE(world.liveCameras().empty());
}

TEST_F(ThrownTest, SlowingBottleIsHeldLingeredAndNotTakenUpAgain) {
    const int32_t bottle = fly(kBottleHeld, {8.0f, 0, 0});
    step(10);
    const sim::Camera* cam = onlyCamera();
    const Vector3 placed = cam->position;
    world.entity(bottle).velocity = {4.9f, 0, 0};
    step();  // the hold: no placement this pass
    EXPECT_EQ(world.countInPass(pass(), SetCameraPosition), 0);
    EXPECT_EQ(world.countInPass(pass(), CameraPosition), 1);
    const Vector3 heldLook = world.entity(bottle).position;
    step(157);
    ASSERT_EQ(world.liveCameras().size(), 1u);
    EXPECT_EQ(cam->position.x, placed.x);
    EXPECT_EQ(cam->pointAt.x, heldLook.x);
    world.timeScale = 0.5f;
    step();
    EXPECT_TRUE(world.liveCameras().empty());
    EXPECT_EQ(world.timeScale, 1.0f);  // ended after lingering: normal speed

    world.entity(bottle).velocity = {9.0f, 0, 0};  // the same bottle, fast again and near
    world.entity(bottle).position = {1, 0, 1};
    step(5);
    EXPECT_EQ(world.camerasCreated, 1u);
}

TEST_F(ThrownTest, BottleAlreadySlowIsHeldInItsFirstPass) {
    fly(kBottleHeld, {2.0f, 0, 0});
    step();
    const sim::Camera* cam = onlyCamera();
    EXPECT_FALSE(cam->placed);
    EXPECT_EQ((cameraCallsInPass(1)),
              (std::vector<std::string>{"create-camera", "activate-camera", "render-switch", "time-scale", "near-clip",
                                        "field-of-view", "camera-position"}));
    step();  // lingers on the fresh camera's own position
    EXPECT_EQ(cam->position.x, world.gameplayCameraPosition.x);
    EXPECT_EQ(cam->position.z, world.gameplayCameraPosition.z);
}

TEST_F(ThrownTest, ObjectTakenUpWhileLingeringKeepsTheCamera) {
    const int32_t bottle = fly(kBottleHeld, {8.0f, 0, 0});
    step(3);
    world.entity(bottle).velocity = {1.0f, 0, 0};
    step(10);  // held, lingering
    world.timeScale = 0.25f;
    fly(kDynamite);
    step();
    EXPECT_EQ(world.camerasCreated, 1u);
    EXPECT_EQ(world.countInPass(pass(), NearClip), 0);
    EXPECT_EQ(world.countInPass(pass(), FieldOfView), 0);
    EXPECT_EQ(world.countInPass(pass(), TimeScale), 0);
    EXPECT_EQ(world.countInPass(pass(), SetCameraPosition), 1);  // tracked at once
}

TEST_F(ThrownTest, ExplosiveSwitchesAndQualification) {
    settings("[Projectiles]\nEnableDynamiteCamera=0\n");
    fly(kDynamite);
    const int32_t attached = fly(kBottleAnySpeed);
    world.entity(attached).attached = true;
    world.spawnObject(kBottleAnySpeed, {6, 0, 0}, {10, 0, 0}, false);  // too far
    step(2);
    EXPECT_EQ(world.camerasCreated, 0u);
    fly(kBottleAnySpeed);  // fire bottles are still on
    step();
    EXPECT_EQ(world.camerasCreated, 1u);
}

TEST_F(ThrownTest, BladeAndExplosiveCamerasLiveTogether) {
    fly(kKnife);
    step();
    fly(kDynamite, {0, 10, 0});
    step(3);
    auto live = world.liveCameras();
    ASSERT_EQ(live.size(), 2u);
    std::set<int32_t> placed;
    for (const sim::NativeCall* c : world.callsInPass(pass()))
        if (c->hash == SetCameraPosition) placed.insert(i(c->args[0]));
    EXPECT_EQ(placed.size(), 2u);
}

TEST_F(ThrownTest, IdlePassAsksOneModelQueryPerObjectPerScan) {
    for (int k = 0; k < 40; ++k) world.spawnObject(kOther, {1, 0, 1}, {10, 0, 0}, false);
    step(2);
    EXPECT_EQ(world.countInPass(2, EntityModel), 80);
    EXPECT_EQ(world.callsInPass(2).size(), 82u);  // plus the player and weapon queries
}

// ---- Boundaries ----------------------------------------------------------------------------

TEST_F(ThrownTest, TwoQualifyingBladesInOnePassStartOneCamera) {
    fly(kKnife);
    fly(kTomahawk, {0, 10, 0});
    step();
    EXPECT_EQ(created(), 1);
    EXPECT_EQ(world.countInPass(1, CreateCamera), 1);
}

// A slowing fire bottle at exactly 5.0 m/s is still followed, not held.
TEST_F(ThrownTest, BottleAtExactlyTheHoldSpeedIsFollowed) {
    const int32_t bottle = fly(kBottleHeld, {0, 3, 4});
    step(3);
    EXPECT_EQ(world.countInPass(pass(), SetCameraPosition), 1);
    EXPECT_EQ(world.countInPass(pass(), CameraPosition), 0);
    world.entity(bottle).velocity = {0, 3, 3.99f};
    step();
    EXPECT_EQ(world.countInPass(pass(), CameraPosition), 1) << "held just below";
}

// Dynamite moving at exactly the threshold speed 0.01 has no direction: the
// camera sits straight above it, as at rest.
TEST_F(ThrownTest, ExplosiveAtExactlyTheMovingThresholdHasNoDirection) {
    const int32_t stick = fly(kDynamite, {0.0f, 10.0f, 0.0f});
    step(2);
    const Vector3 v = {0.01f, 0.0f, 0.0f};
    ASSERT_EQ(std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z), 0.01f);
    world.entity(stick).velocity = v;
    step();
    const sim::Entity& e = world.entity(stick);
    const sim::Camera* cam = onlyCamera();
    EXPECT_EQ(cam->position.x, e.position.x);
    EXPECT_EQ(cam->position.y, e.position.y);
    world.entity(stick).velocity = {0.0100001f, 0, 0};  // just above: 2 m back along x
    step();
    EXPECT_NEAR(cam->position.x, e.position.x - 2.0f, 1e-5f);
}

// The thrown modes end once their timer has reached LingerTime: with
// LingerTime 0.016, one linger pass (timer 0 -> 0.016), and the end in the next.
TEST_F(ThrownTest, LingerTimerReachingLingerTimeEnds) {
    settings("[Lingering]\nLingerTime=0.016\n");
    const int32_t knife = fly(kKnife);
    const int32_t bottle = fly(kBottleHeld, {0, 8, 0});
    step(3);
    ASSERT_EQ(world.liveCameras().size(), 2u);
    stop(knife);
    world.entity(bottle).velocity = {0, 1, 0};  // held
    step();  // blade: first linger pass; bottle: the hold
    EXPECT_EQ(world.liveCameras().size(), 2u);
    step();  // blade ends; bottle: first linger pass
    EXPECT_EQ(destroyedIn(pass()), 1);
    EXPECT_EQ(world.liveCameras().size(), 1u);
    step();  // bottle ends
    EXPECT_TRUE(world.liveCameras().empty());
}

// A tracked object that is lost (picked up again) leaves lastFollowed, so the
// next throw of that same object is followed.
TEST_F(ThrownTest, LostExplosiveIsFollowedWhenThrownAgain) {
    const int32_t stick = fly(kDynamite, {0, 10, 0});
    step(2);
    world.entity(stick).attached = true;
    step();
    ASSERT_TRUE(world.liveCameras().empty());
    sim::Entity& e = world.entity(stick);
    e.attached = false;
    e.position = {1, 0, 1};
    e.velocity = {0, 10, 0};
    step();
    EXPECT_EQ(created(), 2);
}

// Every hold starts its linger afresh, also on a camera taken over while it
// was lingering for an earlier object.
TEST_F(ThrownTest, EachHoldLingersTheFullTime) {
    const int32_t first = fly(kBottleHeld, {8, 0, 0});
    step(3);
    stop(first);  // held, and at rest: never taken up again
    step(51);     // the hold and fifty linger passes
    const int32_t second = fly(kBottleHeld, {0, 8, 0});
    step(3);
    ASSERT_EQ(created(), 1) << "taken over, not a new camera";
    stop(second);
    step();  // the second hold
    step(157);
    EXPECT_EQ(world.liveCameras().size(), 1u);
    step();
    EXPECT_TRUE(world.liveCameras().empty());
}
