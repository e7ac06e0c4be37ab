// The cost budget of a pass, measured in the simulated world: how many native
// calls each state makes per pass, and that no pass allocates. The counts are
// what the camera rules require and nothing more, so a change that adds a
// native call or a heap allocation to any pass fails here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cameras/arrow_camera.h"
#include "cameras/bullet_camera.h"
#include "cameras/script.h"
#include "host/host.h"
#include "alloc_count.h"
#include "states.h"
#include "world.h"

// ---- Counting the heap ------------------------------------------------------------
// bench/alloc_count.cpp replaces the global operator new of this binary.
namespace {

uint64_t allocationsDuring(const std::function<void()>& work) {
    const uint64_t before = bench::allocationCount();
    work();
    return bench::allocationCount() - before;
}

using namespace sim::hash;

// ---- What the rules require, native by native ----------------------------------------
using Counts = std::map<uint64_t, int>;

Counts operator+(Counts a, const Counts& b) {
    for (const auto& [hash, n] : b) a[hash] += n;
    return a;
}
Counts operator*(int times, Counts c) {
    for (auto& [hash, n] : c) n *= times;
    return c;
}

// A scan asks each snapshot object its model before anything else; an object
// of no interest costs nothing more.
Counts scan(int objects) { return objects ? Counts{{EntityModel, objects}} : Counts{}; }
// Shot detection: the player's ped and the weapon in hand, every pass.
const Counts kDispatch = {{PlayerPed, 1}, {CurrentWeapon, 1}};
// ... and the shooting test whenever a weapon of the table is held.
const Counts kDispatchHoldingBow = kDispatch + Counts{{ShootingTest, 1}};
// Blade follow, per blade in flight: attachment, velocity, position, then the placement step.
const Counts kBladeInFlight = {
    {Attachment, 1}, {EntityVelocity, 1}, {EntityPosition, 1}, {SetCameraPosition, 1}, {PointCamera, 1}};
// Blade linger: the placement step with the held values.
const Counts kPlacement = {{SetCameraPosition, 1}, {PointCamera, 1}};
// Explosive tracking: exists, attachment, position, velocity, model, placement; no scan.
const Counts kExplosiveTracking = kPlacement + Counts{{EntityExists, 1}, {Attachment, 1}, {EntityPosition, 1},
                                                      {EntityVelocity, 1}, {EntityModel, 1}};
// Target point of the test's target: position, exists, position-only test,
// bone-list test (list A), three bone-index queries (its bone is the third
// of list A), one bone-position query.
const Counts kTargetPoint = {{EntityPosition, 1}, {EntityExists, 1}, {PositionOnlyTest, 1},
                             {BoneListTest, 1},   {BoneIndex, 3},    {BonePosition, 1}};
// A lingering shot camera whose target exists: look-point smoothing (exists,
// target point), then exists, target point, camera position, placement, time scale.
const Counts kShotLinger = 2 * kTargetPoint + kPlacement +
                           Counts{{EntityExists, 2}, {CameraPosition, 1}, {TimeScale, 1}};

using bench::hasBlade;
using bench::hasExplosive;
using bench::hasShots;
using bench::State;

// The natives of one steady pass with a snapshot of `objects`, the state's
// projectiles among them (with none, the blade camera has nothing to follow
// and lingers; the tracked explosive needs no snapshot).
Counts required(State s, int objects) {
    Counts c;
    if (hasBlade(s))
        c = c + (objects ? scan(objects) + kBladeInFlight : kPlacement);
    else
        c = c + scan(objects);  // blade search
    if (hasExplosive(s))
        c = c + kExplosiveTracking;
    else
        c = c + scan(objects);  // explosive search
    if (hasShots(s))
        c = c + kDispatchHoldingBow + 2 * kShotLinger;
    else
        c = c + kDispatch;
    return c;
}

// The same budget as plain totals, N being the snapshot size.
int closedForm(State s, int n) {
    switch (s) {
    case State::Idle: return 2 * n + 2;
    case State::Blade: return n ? 2 * n + 7 : 4;
    case State::Explosive: return n + 9;
    case State::Shots: return 2 * n + 47;
    case State::All: return n ? n + 59 : 56;
    }
    return -1;
}

int total(const Counts& c) {
    int n = 0;
    for (const auto& [hash, k] : c) n += k;
    return n;
}

std::string describe(const Counts& c) {
    std::string text;
    for (const auto& [hash, n] : c) text += std::string(sim::nativeName(hash)) + "=" + std::to_string(n) + " ";
    return text;
}

constexpr uint32_t kFillerModel = 0x12345678;
constexpr uint32_t kKnife = 0x5F30F384;
constexpr uint32_t kDynamite = 0x094A2080;
constexpr uint32_t kGun = 0x4E328256;
constexpr uint32_t kBow = 0x88A8505C;

}  // namespace

class PassBudget : public ::testing::Test {
protected:
    sim::World world;
    std::unique_ptr<ScriptState> script = std::make_unique<ScriptState>();
    std::vector<int32_t> snapshot;  // handles in the order the host lists them
    int32_t target = 0;

    void SetUp() override {
        resetModuleState();
        sim::setActiveWorld(&world);
        world.cameras.reserve(64);
        world.timeScaleHistory.reserve(8192);
        // The world keeps its argument buffer; let it reach its largest size
        // (six slots) before anything is counted.
        const bool logging = world.logCalls;
        world.logCalls = false;
        nativeInit(RenderSwitch);
        for (uint64_t slot : {0, 0, 0, 1, 0, 0}) nativePush64(slot);
        nativeCall();
        world.logCalls = logging;
        world.scriptedView = false;
    }

    void TearDown() override {
        sim::setActiveWorld(nullptr);
        resetModuleState();
    }

    // A new world and script, as for a new test.
    void fresh() {
        TearDown();
        world.reportErrors();
        world = sim::World();
        script = std::make_unique<ScriptState>();
        snapshot.clear();
        target = 0;
        SetUp();
    }

    // A pass as the script runs it, without motion: the world stands still,
    // so every state holds for as long as the test needs.
    void pass() {
        ++world.pass;
        runPass(*script);
    }

    // Fillers, then the state's projectiles last; flying, near the player.
    void populate(State s, int objects) {
        const int projectiles = (hasBlade(s) ? 1 : 0) + (hasExplosive(s) ? 1 : 0);
        for (int i = 0; i < objects - projectiles; ++i)
            snapshot.push_back(world.spawnObject(kFillerModel + i, {float(i % 40) - 20, 3.5f, 1.0f}, {}, false));
        if (hasBlade(s)) snapshot.push_back(world.spawnObject(kKnife, {1.25f, 0.75f, 1.0f}, {6.5f, 4.25f, 1.5f}, false));
        if (hasExplosive(s))
            snapshot.push_back(world.spawnObject(kDynamite, {-1.5f, 1.25f, 0.75f}, {-3.25f, 2.5f, 2.0f}, false));
        target = world.spawnTarget({24.5f, 9.75f, 0.5f}, {{14413, {0.05f, 0.02f, 0.6f}}}, true);
    }

    // Runs the passes that bring the cameras of the state about: the blade
    // and the explosive are taken up in the first pass, a gun shot starts the
    // bullet camera and a bow shot the arrow camera, both then travel to the
    // target and linger. With fewer objects than projectiles, the projectiles
    // then leave the snapshot.
    void enter(State s, int objects) {
        populate(s, objects);
        // The bullet arrives in ten passes rather than 358, so that both shot
        // cameras linger together well before the arrow's fixed limit.
        BulletCamSpeed = 125.0f;
        if (hasShots(s)) {
            world.aimedEntity = target;
            world.shooting = true;
            world.weapon = kGun;
            pass();
            world.weapon = kBow;  // held, and still shooting, from here on
            for (int i = 0; i < 100 && !(bulletCamera.lingering && arrowCamera.lingering); ++i) pass();
        } else {
            world.weaponQueryAnswer = false;
            pass();
        }
        if (static_cast<int>(snapshot.size()) > objects)
            for (int32_t h : snapshot) world.entity(h).inSnapshot = false;
        pass();
    }

    void expectInState(State s) {
        EXPECT_EQ(script->blade.active, hasBlade(s));
        EXPECT_EQ(script->explosive.tracked != 0, hasExplosive(s));
        EXPECT_EQ(bulletCamActive && bulletCamera.lingering, hasShots(s));
        EXPECT_EQ(arrowCamActive && arrowCamera.lingering, hasShots(s));
    }

    Counts countsOfPass(int passNumber) const {
        Counts c;
        for (const sim::NativeCall* call : world.callsInPass(passNumber)) c[call->hash]++;
        return c;
    }
};

// ---- Native calls per pass ------------------------------------------------------------

TEST_F(PassBudget, IdlePassAsksEachObjectItsModelOncePerScanningMode) {
    for (int objects : {0, 1, 64, 1024}) {
        SCOPED_TRACE(objects);
        fresh();
        enter(State::Idle, objects);
        pass();
        const auto calls = world.callsInPass(world.pass);
        ASSERT_EQ(static_cast<int>(calls.size()), 2 * objects + 2);
        // The blade search walks the snapshot, then the explosive search does.
        for (int scanNumber = 0; scanNumber < 2; ++scanNumber)
            for (int i = 0; i < objects; ++i) {
                const sim::NativeCall* c = calls[static_cast<size_t>(scanNumber * objects + i)];
                ASSERT_EQ(c->hash, EntityModel);
                ASSERT_EQ(static_cast<int32_t>(c->args[0]), snapshot[static_cast<size_t>(i)]);
            }
        EXPECT_EQ(calls[static_cast<size_t>(2 * objects)]->hash, PlayerPed);
        EXPECT_EQ(calls[static_cast<size_t>(2 * objects) + 1]->hash, CurrentWeapon);
    }
}

TEST_F(PassBudget, EverySteadyStateMakesExactlyTheRequiredCalls) {
    for (State s : bench::kStates) {
        for (int objects : {0, 64, 1024}) {
            SCOPED_TRACE(std::string(bench::stateName(s)) + " with " + std::to_string(objects) + " objects");
            fresh();
            enter(s, objects);
            const Counts expected = required(s, objects);
            for (int k = 0; k < 5; ++k) {
                pass();
                const Counts actual = countsOfPass(world.pass);
                EXPECT_EQ(actual, expected) << "pass " << k << ": made " << describe(actual) << "\n  required "
                                            << describe(expected);
                EXPECT_EQ(total(actual), closedForm(s, objects));
            }
            expectInState(s);
        }
    }
}

// ---- Heap allocations -------------------------------------------------------------------

TEST_F(PassBudget, CounterSeesAnAllocation) {
    // The replaced operator new is the one in use; otherwise the zero counts below mean nothing.
    void* p = nullptr;
    EXPECT_EQ(allocationsDuring([&] { p = ::operator new(64); }), 1u);
    ::operator delete(p);
}

TEST_F(PassBudget, NoPassOfAnyStateAllocates) {
    for (State s : bench::kStates) {
        for (int objects : {0, 64, 1024}) {
            SCOPED_TRACE(std::string(bench::stateName(s)) + " with " + std::to_string(objects) + " objects");
            fresh();
            world.logCalls = false;  // the log itself allocates
            populate(s, objects);
            // Starts included: every pass from the first one on is counted.
            BulletCamSpeed = 125.0f;
            world.weaponQueryAnswer = hasShots(s);
            world.aimedEntity = target;
            world.shooting = hasShots(s);
            world.weapon = kGun;
            for (int k = 0; k < 60; ++k) {
                if (k == 1) world.weapon = kBow;
                const uint64_t allocations = allocationsDuring([&] { pass(); });
                ASSERT_EQ(allocations, 0u) << "pass " << world.pass;
            }
            expectInState(s);
        }
    }
}

TEST_F(PassBudget, WholeCameraLifetimesAllocateNothing) {
    // Default settings and a moving world: every mode starts, follows, lingers
    // and ends, the plug-in is switched off and on again, and no pass allocates.
    world.logCalls = false;
    for (int i = 0; i < 62; ++i) world.spawnObject(kFillerModel + i, {float(i % 40) - 20, 3.5f, 1.0f}, {}, false);
    world.spawnObject(kKnife, {0.5f, 0.5f, 1.5f}, {8.0f, 0.0f, 2.0f});
    const int32_t dynamite = world.spawnObject(kDynamite, {-0.5f, 0.5f, 1.5f}, {-4.0f, 1.0f, 3.0f});
    target = world.spawnTarget({30.0f, 4.0f, 0.5f}, {{14413, {0.0f, 0.0f, 0.6f}}}, true);
    world.aimedEntity = target;
    world.shooting = true;
    world.weapon = kGun;

    for (int k = 1; k <= 900; ++k) {
        if (k == 2) world.weapon = kBow;
        if (k == 3) world.shooting = false;
        if (k == 150) world.removeEntity(dynamite);  // ends the tracking at once
        if (k == 300) world.keysDown[78] = true;      // switched off on release ...
        if (k == 302) world.keysDown[78] = false;
        if (k == 310) world.keysDown[78] = true;      // ... and on again
        if (k == 312) world.keysDown[78] = false;
        // Once the shot cameras have given normal speed back: a fire bottle
        // that slows down, so the explosive camera holds, lingers and ends.
        if (k == 620) world.spawnObject(0xE5C6289E, {0.5f, -0.5f, 1.5f}, {0.0f, -9.0f, 3.0f});
        world.beginPass();
        const uint64_t allocations = allocationsDuring([&] { runPass(*script); });
        ASSERT_EQ(allocations, 0u) << "pass " << world.pass;
    }
    // Blade, dynamite, bullet, arrow and fire bottle: five cameras made and
    // all given back, so starts, ends and lingering were among the counted passes.
    EXPECT_EQ(world.camerasCreated, 5u);
    EXPECT_EQ(world.camerasDestroyed, 5u);
    EXPECT_FALSE(bulletCamActive);
    EXPECT_FALSE(arrowCamActive);
    EXPECT_FALSE(script->blade.active);
    EXPECT_EQ(script->explosive.camera, 0);
    EXPECT_EQ(script->explosive.tracked, 0);
}
