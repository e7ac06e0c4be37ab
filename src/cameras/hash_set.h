// Membership in the short fixed hash lists (models, weapons).
#pragma once

#include <cstddef>
#include <cstdint>

// A linear look-up: the lists are a handful of entries and it allocates nothing.
template <size_t N>
inline bool inSet(const uint32_t (&set)[N], uint32_t model) {
    for (uint32_t m : set)
        if (m == model) return true;
    return false;
}
