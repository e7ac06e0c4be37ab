// The exact bits the native-call layer puts into argument slots and reads
// back from result slots.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "host/native.h"
#include "world.h"

TEST(NativeLayer, ArgumentSlots) {
    // Integers and handles: zero-extended, never sign-extended.
    EXPECT_EQ(argInt(-1), 0x00000000FFFFFFFFull);
    EXPECT_EQ(argInt(-123456), 0x00000000FFFE1DC0ull);
    EXPECT_EQ(argInt(0x7FFFFFFF), 0x000000007FFFFFFFull);
    // Floats: the bit pattern in the low half, not a converted value.
    EXPECT_EQ(argFloat(1.0f), 0x000000003F800000ull);
    EXPECT_EQ(argFloat(-0.0f), 0x0000000080000000ull);
    EXPECT_EQ(argFloat(0.01f), 0x000000003C23D70Aull);
    EXPECT_EQ(argFloat(60.0f), 0x0000000042700000ull);
    uint32_t payloadBits = 0x7FC12345;
    float nan;
    std::memcpy(&nan, &payloadBits, sizeof nan);
    EXPECT_EQ(argFloat(nan), 0x000000007FC12345ull);
    // Pointers: the whole address.
    static const char text[] = "DEFAULT_SCRIPTED_CAMERA";
    EXPECT_EQ(argPointer(text), static_cast<uint64_t>(reinterpret_cast<uintptr_t>(text)));
}

TEST(NativeLayer, ResultSlots) {
    uint64_t slots[3] = {0xDEADBEEF00000000ull | 0xFFFFFFFEull, 0, 0};
    EXPECT_EQ(resultInt(slots), -2);  // high half ignored
    EXPECT_TRUE(resultBool(slots));
    slots[0] = 0xFFFFFFFF00000000ull;  // nonzero only in the high half: false
    EXPECT_FALSE(resultBool(slots));

    // A vector: the floats in the low halves of three consecutive slots.
    uint64_t vec[3] = {0xAAAAAAAA00000000ull | sim::floatSlot(1.5f), 0x5555555500000000ull | sim::floatSlot(-2.25f),
                       sim::floatSlot(1e-3f)};
    const Vector3 v = resultVector3(vec);
    EXPECT_EQ(v.x, 1.5f);
    EXPECT_EQ(v.y, -2.25f);
    EXPECT_EQ(v.z, 1e-3f);
}

TEST(NativeLayer, OneCallIsInitPushesCall) {
    sim::World world;
    sim::setActiveWorld(&world);
    world.aimedEntity = world.spawnTarget({0, 0, 0});
    const int32_t player = resultInt(invokeNative(sim::hash::PlayerId));
    int32_t out = 0;
    invokeNative(sim::hash::TargetEntity, argInt(player), argPointer(&out));
    sim::setActiveWorld(nullptr);
    ASSERT_EQ(world.calls.size(), 2u);
    EXPECT_TRUE(world.errors.empty());
    EXPECT_EQ(player, world.playerId);
    EXPECT_EQ(world.calls[1].args.size(), 2u);
    EXPECT_EQ(world.calls[1].args[1], static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&out)));
    EXPECT_EQ(out, world.aimedEntity);  // written through the pointer
}
