// Heap allocations made by this process since it started, counted by the
// replaced global operator new of alloc_count.cpp.
#pragma once

#include <cstdint>

namespace bench {
uint64_t allocationCount();
}
