// The native-call layer: every host native is reached through invokeNative,
// which makes the three-step call (init, one push per argument, call) so that
// a call site is a single line. Arguments go in 64-bit slots:
//   - 32-bit integers and handles zero-extended into a zeroed slot,
//   - floats as their IEEE-754 bit pattern in the low half (never converted),
//   - pointers as their full address.
// Results are read straight from the slots the host returns.
#pragma once

#include <cstdint>
#include <cstring>

#include "host/host.h"
#include "host/vector3.h"

inline uint64_t argInt(int32_t value) {
    return static_cast<uint64_t>(static_cast<uint32_t>(value));
}

inline uint64_t argFloat(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return static_cast<uint64_t>(bits);
}

inline uint64_t argPointer(const void* address) {
    return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(address));
}

template <typename... Slots>
inline const uint64_t* invokeNative(uint64_t hash, Slots... slots) {
    nativeInit(hash);
    (nativePush64(slots), ...);
    return nativeCall();
}

// Low 32 bits of slot 0.
inline int32_t resultInt(const uint64_t* slots) {
    return static_cast<int32_t>(static_cast<uint32_t>(slots[0]));
}

inline bool resultBool(const uint64_t* slots) {
    return static_cast<uint32_t>(slots[0]) != 0;
}

// Three consecutive slots, each float in the low half: x at byte 0, y at 8, z at 16.
inline Vector3 resultVector3(const uint64_t* slots) {
    Vector3 v;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(slots);
    std::memcpy(&v.x, bytes + 0, sizeof(float));
    std::memcpy(&v.y, bytes + 8, sizeof(float));
    std::memcpy(&v.z, bytes + 16, sizeof(float));
    return v;
}
