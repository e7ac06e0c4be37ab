// The simulated host's own checks of the call protocol: every fixed argument,
// the 32-bit slots, handles it never handed out and destroyed cameras. Every
// other test relies on these checks to catch a plug-in that sends the wrong
// argument, so each rule is shown to fire here, and a well-formed call not to.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/host.h"
#include "host/native.h"
#include "world.h"

namespace {

using namespace sim::hash;

class HostProtocol : public ::testing::Test {
protected:
    sim::World world;
    int32_t object = 0;
    int32_t target = 0;
    int32_t camera = 0;
    int32_t destroyed = 0;
    uint32_t out = 0;

    // A world in which the host has handed out what a pass would: the
    // player's ped and id, one object of a snapshot, one aimed-at target with
    // a bone, and two cameras, one of them destroyed since.
    void SetUp() override {
        sim::setActiveWorld(&world);
        object = world.spawnObject(0x5F30F384, {1, 0, 1});
        target = world.spawnTarget({0, 9, 1}, {{14285, {0, 0, 1}}});
        world.aimedEntity = target;
        int32_t handles[4];
        world.getAllObjects(handles, 4);
        call(PlayerPed, {});
        call(PlayerId, {});
        int32_t aimed = 0;
        call(TargetEntity, {argInt(world.playerId), argPointer(&aimed)});
        camera = resultInt(call(CreateCamera, {argPointer(kName), argInt(1)}));
        destroyed = resultInt(call(CreateCamera, {argPointer(kName), argInt(1)}));
        call(DestroyCamera, {argInt(destroyed), argInt(1)});
        ASSERT_EQ(world.errors, std::vector<std::string>{});
    }
    void TearDown() override { sim::setActiveWorld(nullptr); }

    const uint64_t* call(uint64_t hash, const std::vector<uint64_t>& slots) {
        nativeInit(hash);
        for (uint64_t s : slots) nativePush64(s);
        return nativeCall();
    }
    // The one error a call made, cleared once read.
    std::string errorOf(uint64_t hash, const std::vector<uint64_t>& slots) {
        call(hash, slots);
        const size_t n = world.errors.size();
        std::string error = n == 1 ? world.errors[0] : std::to_string(n) + " errors";
        world.errors.clear();
        return error;
    }

    static constexpr char kName[] = "DEFAULT_SCRIPTED_CAMERA";
};

const uint64_t kHighHalf = 0x100000000ull;

TEST_F(HostProtocol, WellFormedCallsPass) {
    call(EntityPosition, {argInt(object), argInt(1), argInt(1)});
    call(EntityExists, {argInt(0)});  // 0: no entity, which the host answers with false
    call(CurrentWeapon, {argInt(world.playerPed), argPointer(&out), argInt(1), argInt(0), argInt(1)});
    call(PedBonePosition, {argInt(world.playerPed), argInt(28422), argFloat(0), argFloat(0), argFloat(0)});
    call(RenderSwitch, {argInt(1), argInt(0), argInt(0), argInt(1), argInt(0), argInt(0)});
    call(RenderSwitch, {argInt(0), argInt(1), argInt(0), argInt(1), argInt(0), argInt(0)});
    call(RenderSwitch, {argInt(0), argInt(0), argInt(0), argInt(1), argInt(0), argInt(0)});
    call(NearClip, {argInt(camera), argFloat(0.01f)});
    call(FieldOfView, {argInt(camera), argFloat(60.0f)});
    const int32_t index = resultInt(call(BoneIndex, {argInt(target), argInt(14285)}));
    call(BonePosition, {argInt(target), argInt(index)});
    call(SetCameraPosition, {argInt(camera), argFloat(-1.5f), argFloat(0), argFloat(3)});
    EXPECT_EQ(world.errors, std::vector<std::string>{});
}

TEST_F(HostProtocol, FixedArgumentsMustBeTheOnesTheNativeTakes) {
    struct Case {
        const char* what;
        uint64_t hash;
        std::vector<uint64_t> slots;
        const char* error;
    };
    const uint64_t ped = argInt(world.playerPed);
    const uint64_t zero = argFloat(0.0f);
    const Case cases[] = {
        {"entity-position flag", EntityPosition, {argInt(object), argInt(1), argInt(0)},
         "entity-position argument 3 0x0000000000000000: must be 1"},
        {"entity-velocity flag", EntityVelocity, {argInt(object), argInt(2)}, "must be 1"},
        {"activate flag", ActivateCamera, {argInt(camera), argInt(0)}, "must be 1"},
        {"create flag", CreateCamera, {argPointer(kName), argInt(0)}, "must be 1"},
        {"weapon flags", CurrentWeapon, {ped, argPointer(&out), argInt(1), argInt(1), argInt(1)}, "must be 0"},
        {"weapon out-parameter", CurrentWeapon, {ped, 0, argInt(1), argInt(0), argInt(1)}, "null out-parameter"},
        {"launch bone", PedBonePosition, {ped, argInt(28423), zero, zero, zero}, "launch bone 28422"},
        {"bone offset -0.0", PedBonePosition, {ped, argInt(28422), zero, argFloat(-0.0f), zero}, "float 0.0"},
        {"render tail", RenderSwitch, {argInt(0), argInt(1), argInt(0), argInt(0), argInt(0), argInt(0)}, "must be 1"},
        {"render on with flag", RenderSwitch, {argInt(1), argInt(1), argInt(0), argInt(1), argInt(0), argInt(0)},
         "shown with (1, 0)"},
        {"render flag 2", RenderSwitch, {argInt(0), argInt(2), argInt(0), argInt(1), argInt(0), argInt(0)}, "0 or 1"},
        {"near clip", NearClip, {argInt(camera), argFloat(0.02f)}, "float 0.01"},
        {"field of view", FieldOfView, {argInt(camera), argFloat(50.0f)}, "float 60.0"},
        {"camera name", CreateCamera, {argPointer("DEFAULT_SCRIPTED_CAMERAS"), argInt(1)}, "DEFAULT_SCRIPTED_CAMERA"},
        {"unlisted bone", BoneIndex, {argInt(target), argInt(999)}, "neither target-point list"},
        {"bone index never given", BonePosition, {argInt(target), argInt(0)}, "the bone-index query never gave"},
        // Last: the host still destroys the camera.
        {"destroy flag", DestroyCamera, {argInt(camera), argInt(0)}, "must be 1"},
    };
    for (const Case& c : cases) {
        const std::string error = errorOf(c.hash, c.slots);
        EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
    }
}

TEST_F(HostProtocol, ThirtyTwoBitSlotsKeepTheirHighHalfZero) {
    EXPECT_NE(errorOf(SetCameraPosition, {argInt(camera), argFloat(1) | kHighHalf, argFloat(0), argFloat(0)})
                  .find("high half"),
              std::string::npos);
    EXPECT_NE(errorOf(TimeScale, {argFloat(1) | kHighHalf}).find("high half"), std::string::npos);
    // A handle sign-extended into its slot.
    EXPECT_NE(errorOf(EntityExists, {static_cast<uint64_t>(int64_t{-5})}).find("high half"), std::string::npos);
}

TEST_F(HostProtocol, HandlesMustBeOnesTheHostHandedOut) {
    const int32_t unseen = world.spawnObject(0x5F30F384, {1, 0, 1});  // spawned after the snapshot
    EXPECT_NE(errorOf(EntityModel, {argInt(unseen)}).find("never handed out"), std::string::npos);
    EXPECT_NE(errorOf(EntityExists, {argInt(424242)}).find("never handed out"), std::string::npos);
    EXPECT_NE(errorOf(ShootingTest, {argInt(object)}).find("player's ped"), std::string::npos);
    EXPECT_NE(errorOf(TargetEntity, {argInt(world.playerId + 1), argPointer(&out)}).find("player id"),
              std::string::npos);
    EXPECT_NE(errorOf(SetCameraPosition, {argInt(destroyed), argFloat(0), argFloat(0), argFloat(0)}).find("destroyed"),
              std::string::npos);
    EXPECT_NE(errorOf(CameraPosition, {argInt(destroyed)}).find("destroyed"), std::string::npos);
    EXPECT_NE(errorOf(DestroyCamera, {argInt(destroyed), argInt(1)}).find("destroyed"), std::string::npos);
    EXPECT_NE(errorOf(PointCamera, {argInt(77), argFloat(0), argFloat(0), argFloat(0)}).find("never created"),
              std::string::npos);
    // A handle stays handed out once it has vanished, or been erased from the world.
    world.removeEntity(object);
    world.eraseEntity(target);
    call(EntityExists, {argInt(object)});
    call(EntityExists, {argInt(target)});
    EXPECT_EQ(world.errors, std::vector<std::string>{});
}

TEST_F(HostProtocol, ErrorsLeftInAWorldFailTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            sim::World other;
            other.errors.push_back("pass 3: something the plug-in did");
        },
        "protocol error: pass 3: something the plug-in did");
}

}  // namespace
