// The floor: the host calls of a recorded pass made again with nothing of the
// plug-in in between. Kept out of fast_host.cpp on purpose: there the compiler
// would inline the host functions into the loop, while the plug-in reaches
// them through real calls, as it reaches the real host's exports.
#include "fast_host.h"
#include "host/host.h"

namespace fast {

void replay(const Trace& trace, int32_t* snapshotBuffer) {
    for (int32_t key : trace.keyPolls) hostKeyState(key);
    for (int32_t i = 0; i < trace.snapshots; ++i) worldGetAllObjects(snapshotBuffer, kSnapshotCapacity);
    const uint64_t* hashes = trace.hashes.data();
    const uint8_t* counts = trace.argumentCounts.data();
    const uint64_t* slot = trace.arguments.data();
    const size_t natives = trace.hashes.size();
    for (size_t n = 0; n < natives; ++n) {
        nativeInit(hashes[n]);
        for (uint32_t i = 0; i < counts[n]; ++i) nativePush64(*slot++);
        nativeCall();
    }
}

}  // namespace fast
