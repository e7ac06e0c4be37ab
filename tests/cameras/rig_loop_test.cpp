// The camera rig's single calls, the near-player test, and the script's pass:
// toggle, snapshot and order of the modes.
#include "cameras/rig.h"
#include "cameras/script.h"
#include "sim_fixture.h"

using sim::hash::EntityModel;

// ---- Rig operations, called directly against the world ------------------------------
class RigTest : public ::testing::Test {
protected:
    sim::World world;
    void SetUp() override { sim::setActiveWorld(&world); }
    void TearDown() override { sim::setActiveWorld(nullptr); }
    // An object as an earlier snapshot would have handed it to the plug-in.
    int32_t object(Vector3 position) {
        const int32_t handle = world.spawnObject(0x5F30F384, position);
        world.handOut(handle);
        return handle;
    }
};

TEST_F(RigTest, NearPlayerBoundaryAndVanishedEntity) {
    world.entity(world.playerPed).position = {10.0f, 20.0f, 1.0f};
    const int32_t onEdge = object({13.0f, 24.0f, 1.0f});  // 3-4-5: exactly 25.0
    const int32_t beyond = object({13.0f, 24.001f, 1.0f});
    const int32_t gone = object({10.0f, 20.0f, 1.0f});
    const int32_t above = object({10.0f, 20.0f, 6.01f});  // straight up counts too
    world.removeEntity(gone);

    EXPECT_TRUE(isNearPlayer(onEdge));
    EXPECT_FALSE(isNearPlayer(beyond));
    EXPECT_FALSE(isNearPlayer(above));
    const size_t before = world.calls.size();
    EXPECT_FALSE(isNearPlayer(gone));
    EXPECT_EQ(world.calls.size(), before + 1);  // only the exists query
    EXPECT_FALSE(isNearPlayer(0));
}

TEST_F(RigTest, RenderSwitchAndCreatePushTheirFixedArguments) {
    renderSwitch(1, 0);
    renderSwitch(0, 1);
    const Camera cam = createCamera();
    ASSERT_EQ(world.calls.size(), 3u);
    for (int k = 0; k < 2; ++k) {
        const auto& a = world.calls[k].args;
        ASSERT_EQ(a.size(), 6u);
        EXPECT_EQ(a[2], 0u);
        EXPECT_EQ(a[3], 1u);
        EXPECT_EQ(a[4], 0u);
        EXPECT_EQ(a[5], 0u);
    }
    EXPECT_EQ(world.calls[0].args[0], 1u);
    EXPECT_EQ(world.calls[1].args[1], 1u);
    const char* name = reinterpret_cast<const char*>(static_cast<uintptr_t>(world.calls[2].args[0]));
    EXPECT_STREQ(name, "DEFAULT_SCRIPTED_CAMERA");
    EXPECT_EQ(world.calls[2].args[1], 1u);
    EXPECT_NE(cam, 0);
}

TEST_F(RigTest, ShotStyleStartDestroysOnlyALeftoverHandle) {
    Camera handle = 0;
    startCamera(handle, kShotStyle, 0.05f);
    EXPECT_EQ(world.callsOf(sim::hash::DestroyCamera).size(), 0u);
    const Camera first = handle;
    startCamera(handle, kShotStyle, 0.05f);
    auto destroys = world.callsOf(sim::hash::DestroyCamera);
    ASSERT_EQ(destroys.size(), 1u);
    EXPECT_EQ(static_cast<Camera>(destroys[0]->args[0]), first);
    EXPECT_NE(handle, first);
    // The destroy comes before the new camera is created.
    EXPECT_EQ(world.calls[4].hash, sim::hash::DestroyCamera);
    EXPECT_EQ(world.calls[5].hash, sim::hash::CreateCamera);
}

// ---- The pass ---------------------------------------------------------------------------
using LoopTest = SimTest;

TEST_F(LoopTest, ToggleSwitchesOnReleaseOncePerPress) {
    world.spawnObject(0x12345678, {50, 0, 0}, {0, 0, 0}, false);
    step();
    EXPECT_EQ(world.countInPass(1, EntityModel), 2);  // on at load: blade and explosive scans

    world.keysDown[kKeyN] = true;
    step(30);  // held: still on
    EXPECT_EQ(world.countInPass(pass(), EntityModel), 2);

    world.keysDown[kKeyN] = false;
    step();  // released: this pass is switched off
    EXPECT_TRUE(world.callsInPass(pass()).empty());
    step(5);
    EXPECT_TRUE(world.callsInPass(pass()).empty());

    world.keysDown[kKeyN] = true;
    step();
    EXPECT_TRUE(world.callsInPass(pass()).empty());  // still off until the release
    world.keysDown[kKeyN] = false;
    step();
    EXPECT_EQ(world.countInPass(pass(), EntityModel), 2);
}

TEST_F(LoopTest, SwitchedOffPassOnlyWaits) {
    step();
    world.keysDown[kKeyN] = true;
    step();
    world.keysDown[kKeyN] = false;
    step();
    const int offPass = pass();
    int waits = 0, snapshots = 0;
    for (const sim::HostCall& h : world.hostCalls) {
        if (h.pass != offPass) continue;
        waits += h.kind == sim::HostCallKind::Wait;
        snapshots += h.kind == sim::HostCallKind::GetAllObjects;
    }
    EXPECT_EQ(waits, 1);
    EXPECT_EQ(snapshots, 0);
    EXPECT_TRUE(world.callsInPass(offPass).empty());
    EXPECT_EQ(world.hostCalls.back().value, 0u);  // scriptWait(0)
}

TEST_F(LoopTest, TapBetweenPollsIsNotSeen) {
    world.spawnObject(0x12345678, {50, 0, 0}, {0, 0, 0}, false);
    step();
    world.keysTapped[kKeyN] = true;  // down and up again before the next poll
    step(3);
    EXPECT_EQ(world.countInPass(pass(), EntityModel), 2);
}

TEST_F(LoopTest, ModesRunInOrderEveryPass) {
    const int32_t obj = world.spawnObject(0x12345678, {50, 0, 0}, {0, 0, 0}, false);
    step(2);
    auto calls = world.callsInPass(2);
    // blade scan, explosive scan, then the shot dispatch's player and weapon queries
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0]->hash, EntityModel);
    EXPECT_EQ(i(calls[0]->args[0]), obj);
    EXPECT_EQ(calls[1]->hash, EntityModel);
    EXPECT_EQ(calls[2]->hash, sim::hash::PlayerPed);
    EXPECT_EQ(calls[3]->hash, sim::hash::CurrentWeapon);
}

TEST_F(LoopTest, SnapshotCountIsClampedToTheArray) {
    for (int k = 0; k < 1100; ++k) world.spawnObject(0x12345678, {50, 0, 0}, {0, 0, 0}, false);
    world.overrideObjectCount = true;
    world.reportedObjectCount = 5000;  // more than it could have written
    step();
    EXPECT_EQ(world.countInPass(1, EntityModel), 2 * kSnapshotCapacity);
    world.reportedObjectCount = -7;
    step();
    EXPECT_EQ(world.countInPass(2, EntityModel), 0);
}

TEST_F(LoopTest, ToggleKeyOutsideTheKeyTableIsNeverPolled) {
    for (int32_t key : {256, 0x1FF}) {  // the first code past the table, and one further out
        SCOPED_TRACE(key);
        settings("ToggleKey=" + std::to_string(key) + "\n");
        sim::World fresh;
        sim::ScriptRunner run(fresh);
        fresh.keysDown[key] = true;
        run.step(2);
        fresh.keysDown[key] = false;
        run.step(2);
        EXPECT_EQ(fresh.countInPass(fresh.pass, sim::hash::PlayerPed), 1) << "the pass ran";
        EXPECT_TRUE(enabled);
    }
}
