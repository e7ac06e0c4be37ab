// Golden traces: for each camera mode the native calls of its start pass, a
// follow or travel pass, a linger pass and its end pass, one call per line
// with every argument and the result the plug-in reads, and the order in
// which the modes place their cameras in one pass. Floats are written in
// their shortest exact form, so a trace also pins every placement to the bit.
//
// The worlds are small on purpose: one projectile or one target, the player
// at the origin, no weapon answer where no shot is wanted.
#include "cameras/arrow_camera.h"
#include "cameras/bullet_camera.h"
#include "sim_fixture.h"

namespace {
constexpr uint32_t kKnife = 0x5F30F384;
constexpr uint32_t kSlowingBottle = 0xE5C6289E;
constexpr uint32_t kDynamite = 0x094A2080;
constexpr uint32_t kGun = 0x4E328256;
constexpr uint32_t kBow = 0x88A8505C;
}  // namespace

// The shot dispatch of a pass in which the player holds a table weapon and
// does not shoot.
const std::string kShooterHolds = R"(player-ped() -> 1
current-weapon(1, out, 1, 0, 1) -> 1
shooting-test(1) -> 0
)";

class PassTrace : public SimTest {
protected:
    // The launch bone straight above the player's feet, so shots run along y.
    void SetUp() override { world.launchBoneOffset = {0.0f, 0.0f, 1.5f}; }
};

// ---- Blade -------------------------------------------------------------------------------

TEST_F(PassTrace, Blade) {
    world.weaponQueryAnswer = false;
    const int32_t knife = world.spawnObject(kKnife, {1, 0, 1}, {3, 4, 0}, false);
    step();
    // Search, then the start: one position read, create, activate, render, time scale; not placed.
    EXPECT_EQ(callsOfPass(pass()), R"(
entity-model(100) -> 0x5F30F384
attachment(100) -> 0
entity-exists(100) -> 1
player-ped() -> 1
entity-position(1, 1, 1) -> (0, 0, 0)
entity-position(100, 1, 1) -> (1, 0, 1)
entity-velocity(100, 1) -> (3, 4, 0)
entity-position(100, 1, 1) -> (1, 0, 1)
create-camera("DEFAULT_SCRIPTED_CAMERA", 1) -> 1
activate-camera(1, 1)
render-switch(1, 0, 0, 1, 0, 0)
time-scale(1)
entity-model(100) -> 0x5F30F384
player-ped() -> 1
current-weapon(1, out, 1, 0, 1) -> 0
)");
    step();
    // One smoothing step: a tenth of the way to 2 m behind along the unit
    // velocity and 1 m up, a twentieth of the way to half a second ahead.
    EXPECT_EQ(callsOfPass(pass()), R"(
entity-model(100) -> 0x5F30F384
attachment(100) -> 0
entity-velocity(100, 1) -> (3, 4, 0)
entity-position(100, 1, 1) -> (1.048, 0.064, 1)
set-camera-position(1, 0.8848, -0.1536, 1.1)
point-camera(1, 1.0774, 0.103199996, 1)
entity-model(100) -> 0x5F30F384
player-ped() -> 1
current-weapon(1, out, 1, 0, 1) -> 0
)");
    world.entity(knife).velocity = {0, 0, 0};
    step(157);
    // The 157th pass without a blade in flight still holds the last view ...
    EXPECT_EQ(callsOfPass(pass()), R"(
entity-model(100) -> 0x5F30F384
attachment(100) -> 0
entity-velocity(100, 1) -> (0, 0, 0)
set-camera-position(1, 0.8848, -0.1536, 1.1)
point-camera(1, 1.0774, 0.103199996, 1)
entity-model(100) -> 0x5F30F384
player-ped() -> 1
current-weapon(1, out, 1, 0, 1) -> 0
)");
    step();
    // ... and the 158th ends it with the blade's own render flags.
    EXPECT_EQ(callsOfPass(pass()), R"(
entity-model(100) -> 0x5F30F384
attachment(100) -> 0
entity-velocity(100, 1) -> (0, 0, 0)
render-switch(0, 0, 0, 1, 0, 0)
destroy-camera(1, 1)
time-scale(1)
entity-model(100) -> 0x5F30F384
player-ped() -> 1
current-weapon(1, out, 1, 0, 1) -> 0
)");
}

// ---- Explosive ---------------------------------------------------------------------------

TEST_F(PassTrace, Explosive) {
    world.weaponQueryAnswer = false;
    const int32_t bottle = world.spawnObject(kSlowingBottle, {0, 1, 1}, {0, 6, 8}, false);
    step();
    // Search, the start with the lens set after the time scale, then tracked
    // in the same pass: 2 m back along the horizontal flight (0, 0.6), 0.8 up.
    EXPECT_EQ(callsOfPass(pass()), R"(
entity-model(100) -> 0xE5C6289E
entity-model(100) -> 0xE5C6289E
attachment(100) -> 0
entity-exists(100) -> 1
player-ped() -> 1
entity-position(1, 1, 1) -> (0, 0, 0)
entity-position(100, 1, 1) -> (0, 1, 1)
entity-velocity(100, 1) -> (0, 6, 8)
create-camera("DEFAULT_SCRIPTED_CAMERA", 1) -> 1
activate-camera(1, 1)
render-switch(1, 0, 0, 1, 0, 0)
time-scale(1)
near-clip(1, 0.01)
field-of-view(1, 60)
entity-exists(100) -> 1
attachment(100) -> 0
entity-position(100, 1, 1) -> (0, 1, 1)
entity-velocity(100, 1) -> (0, 6, 8)
entity-model(100) -> 0xE5C6289E
set-camera-position(1, 0, -0.20000005, 1.8)
point-camera(1, 0, 1, 1)
player-ped() -> 1
current-weapon(1, out, 1, 0, 1) -> 0
)");
    step();
    // Tracking: no explosive scan.
    EXPECT_EQ(callsOfPass(pass()), R"(
entity-model(100) -> 0xE5C6289E
entity-exists(100) -> 1
attachment(100) -> 0
entity-position(100, 1, 1) -> (0, 1.096, 1.128)
entity-velocity(100, 1) -> (0, 6, 8)
entity-model(100) -> 0xE5C6289E
set-camera-position(1, 0, -0.10400009, 1.928)
point-camera(1, 0, 1.096, 1.128)
player-ped() -> 1
current-weapon(1, out, 1, 0, 1) -> 0
)");
    world.entity(bottle).velocity = {0, 2.4f, 3.2f};  // 4 m/s: held
    step();
    EXPECT_EQ(callsOfPass(pass()), R"(
entity-model(100) -> 0xE5C6289E
entity-exists(100) -> 1
attachment(100) -> 0
entity-position(100, 1, 1) -> (0, 1.1344, 1.1792)
entity-velocity(100, 1) -> (0, 2.4, 3.2)
entity-model(100) -> 0xE5C6289E
camera-position(1) -> (0, -0.10400009, 1.928)
player-ped() -> 1
current-weapon(1, out, 1, 0, 1) -> 0
)");
    step();
    // Lingering: the search passes over the held bottle, then the held view.
    EXPECT_EQ(callsOfPass(pass()), R"(
entity-model(100) -> 0xE5C6289E
entity-model(100) -> 0xE5C6289E
attachment(100) -> 0
set-camera-position(1, 0, -0.10400009, 1.928)
point-camera(1, 0, 1.1344, 1.1792)
player-ped() -> 1
current-weapon(1, out, 1, 0, 1) -> 0
)");
    step(157);
    // The end after lingering gives normal speed back.
    EXPECT_EQ(callsOfPass(pass()), R"(
entity-model(100) -> 0xE5C6289E
entity-model(100) -> 0xE5C6289E
attachment(100) -> 0
render-switch(0, 1, 0, 1, 0, 0)
destroy-camera(1, 1)
time-scale(1)
player-ped() -> 1
current-weapon(1, out, 1, 0, 1) -> 0
)");
}

TEST_F(PassTrace, ExplosiveLostEndsWithoutTouchingTheTimeScale) {
    world.weaponQueryAnswer = false;
    const int32_t stick = world.spawnObject(kDynamite, {0, 1, 1}, {0, 6, 8}, false);
    step(2);
    world.removeEntity(stick);
    step();
    EXPECT_EQ(callsOfPass(pass()), R"(
entity-exists(100) -> 0
render-switch(0, 1, 0, 1, 0, 0)
destroy-camera(1, 1)
player-ped() -> 1
current-weapon(1, out, 1, 0, 1) -> 0
)");
}

// ---- Bullet ------------------------------------------------------------------------------

TEST_F(PassTrace, Bullet) {
    // The target point of a position-only target: its position.
    const std::string kTargetPoint = R"(entity-exists(100) -> 1
entity-position(100, 1, 1) -> (0, 40, 1.5)
entity-exists(100) -> 1
position-only-test(100) -> 1
)";
    // 40 m ahead: the end point is pulled back 3 %, to y = 38.8.
    world.aimedEntity = world.spawnTarget({0, 40, 1.5f}, {}, false, true);
    world.weapon = kGun;
    world.shooting = true;
    step();
    // The start (veto query, aimed entity, target point, create ... time scale),
    // then its first update in the same pass: one travel step of 0.0028.
    EXPECT_EQ(callsOfPass(pass()), R"(
player-ped() -> 1
current-weapon(1, out, 1, 0, 1) -> 1
shooting-test(1) -> 1
ped-bone-position(1, 28422, 0, 0, 0) -> (0, 0, 1.5)
shot-veto(1, out) -> 0
player-id() -> 7
target-entity(7, out)
)" + kTargetPoint + R"(create-camera("DEFAULT_SCRIPTED_CAMERA", 1) -> 1
activate-camera(1, 1)
render-switch(1, 0, 0, 1, 0, 0)
time-scale(0.05)
)" + kTargetPoint + R"(set-camera-position(1, 0, 0.10864, 1.5)
point-camera(1, 0, 38.98, 1.5000001)
)");
    world.shooting = false;
    step();
    EXPECT_EQ(callsOfPass(pass()), "\n" + kShooterHolds + kTargetPoint + R"(set-camera-position(1, 0, 0.21728, 1.5)
point-camera(1, 0, 39.133, 1.5000001)
)");
    step(356);  // the 358th update arrives at the end point
    EXPECT_EQ(callsOfPass(pass()), "\n" + kShooterHolds + kTargetPoint + R"(set-camera-position(1, 0, 38.8, 1.5)
point-camera(1, 0, 39.999996, 1.5000001)
)");
    step();
    // Lingering: eased from the camera's position towards 2 m behind and
    // 0.3 above the target, turned straight at it, then the linger speed.
    EXPECT_EQ(callsOfPass(pass()), "\n" + kShooterHolds + kTargetPoint + R"()" + kTargetPoint + R"(camera-position(1) -> (0, 38.8, 1.5)
set-camera-position(1, 0, 38.68, 1.545)
point-camera(1, 0, 40, 1.5)
time-scale(0.05)
)");
    step(208);  // the 209th linger pass ends it
    EXPECT_EQ(callsOfPass(pass()), "\n" + kShooterHolds + kTargetPoint + R"()" + kTargetPoint + R"(camera-position(1) -> (0, 38.00001, 1.7999996)
set-camera-position(1, 0, 38.00001, 1.7999996)
point-camera(1, 0, 40, 1.5)
time-scale(0.05)
render-switch(0, 1, 0, 1, 0, 0)
destroy-camera(1, 1)
time-scale(1)
)");
}

// ---- Arrow -------------------------------------------------------------------------------

TEST_F(PassTrace, Arrow) {
    // The target point: list B, whose second bone the target has, at index 0.
    const std::string kTargetPoint = R"(entity-exists(100) -> 1
entity-position(100, 1, 1) -> (0, 16, 1)
entity-exists(100) -> 1
position-only-test(100) -> 0
bone-list-test(100) -> 0
bone-index(100, 14285) -> -1
bone-index(100, 38713) -> 0
bone-position(100, 0) -> (0, 16, 1.5)
)";
    // Aimed at a bone of list B, 16 m ahead at the launch height: no pull-back,
    // 0.8 m per update, so the 20th update arrives.
    world.aimedEntity = world.spawnTarget({0, 16, 1}, {{38713, {0, 0, 0.5f}}});
    world.weapon = kBow;
    world.shooting = true;
    step();
    EXPECT_EQ(callsOfPass(pass()), R"(
player-ped() -> 1
current-weapon(1, out, 1, 0, 1) -> 1
shooting-test(1) -> 1
ped-bone-position(1, 28422, 0, 0, 0) -> (0, 0, 1.5)
player-id() -> 7
target-entity(7, out)
)" + kTargetPoint + R"(create-camera("DEFAULT_SCRIPTED_CAMERA", 1) -> 1
activate-camera(1, 1)
render-switch(1, 0, 0, 1, 0, 0)
time-scale(0.7)
)" + kTargetPoint + R"(set-camera-position(1, 0, 0.8, 1.5)
point-camera(1, 0, 16, 1.5000001)
)");
    world.shooting = false;
    step();
    EXPECT_EQ(callsOfPass(pass()), "\n" + kShooterHolds + kTargetPoint + R"(set-camera-position(1, 0, 1.6, 1.5)
point-camera(1, 0, 16, 1.5000001)
)");
    step(18);
    EXPECT_EQ(callsOfPass(pass()), "\n" + kShooterHolds + kTargetPoint + R"(set-camera-position(1, 0, 16, 1.5)
point-camera(1, 0, 16, 1.5000001)
)");
    step();
    // Unlike the bullet camera, the linger speed comes before the placement.
    EXPECT_EQ(callsOfPass(pass()), "\n" + kShooterHolds + kTargetPoint + R"(entity-exists(100) -> 1
time-scale(0.05)
entity-position(100, 1, 1) -> (0, 16, 1)
entity-exists(100) -> 1
position-only-test(100) -> 0
bone-list-test(100) -> 0
bone-index(100, 14285) -> -1
bone-index(100, 38713) -> 0
bone-position(100, 0) -> (0, 16, 1.5)
camera-position(1) -> (0, 16, 1.5)
set-camera-position(1, 0, 15.7, 1.545)
point-camera(1, 0, 16, 1.5)
)");
    step(357);  // the 358th linger pass ends it
    EXPECT_EQ(callsOfPass(pass()), "\n" + kShooterHolds + kTargetPoint + R"(entity-exists(100) -> 1
time-scale(0.05)
entity-position(100, 1, 1) -> (0, 16, 1)
entity-exists(100) -> 1
position-only-test(100) -> 0
bone-list-test(100) -> 0
bone-index(100, 14285) -> -1
bone-index(100, 38713) -> 0
bone-position(100, 0) -> (0, 16, 1.5)
camera-position(1) -> (0, 14.000003, 1.7999996)
set-camera-position(1, 0, 14.000003, 1.7999996)
point-camera(1, 0, 16, 1.5)
render-switch(0, 1, 0, 1, 0, 0)
destroy-camera(1, 1)
time-scale(1)
)");
}

// ---- Order of the modes ------------------------------------------------------------------

// With all four cameras live, one pass places them blade, explosive, bullet,
// arrow, and every camera gets its position before its point to look at.
TEST_F(PassTrace, ModesPlaceTheirCamerasInTheirFixedOrder) {
    const Vector3 l = world.launchBonePosition();
    world.aimedEntity = world.spawnTarget({l.x, l.y + 30, l.z}, {}, false, true);
    world.weapon = kGun;
    world.shooting = true;
    step();
    world.weapon = kBow;
    step();
    world.shooting = false;
    world.spawnObject(kKnife, {1, 0, 1}, {8, 0, 0}, false);
    world.spawnObject(kDynamite, {0, 1, 1}, {0, 8, 0}, false);
    step(2);
    ASSERT_EQ(world.liveCameras().size(), 4u);
    ASSERT_EQ(bulletCamera.camera, 1);
    ASSERT_EQ(arrowCamera.camera, 2);  // the blade's camera is 3, the explosive's 4
    std::vector<std::string> placements;
    for (const sim::NativeCall* c : world.callsInPass(pass())) {
        if (c->hash == sim::hash::SetCameraPosition) placements.push_back("position " + std::to_string(i(c->args[0])));
        if (c->hash == sim::hash::PointCamera) placements.push_back("point " + std::to_string(i(c->args[0])));
    }
    EXPECT_EQ(placements, (std::vector<std::string>{"position 3", "point 3", "position 4", "point 4", "position 1",
                                                    "point 1", "position 2", "point 2"}));
}
