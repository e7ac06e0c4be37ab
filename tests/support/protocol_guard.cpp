// Linked into every test binary that runs the simulated host: a protocol error
// that a world still holds when it is destroyed fails the running test, so no
// test can pass while the plug-in breaks the host's call protocol.
#include <gtest/gtest.h>

#include "world.h"

namespace {
void failTest(const std::string& error) { ADD_FAILURE() << "protocol error: " << error; }

const bool installed = (sim::setProtocolErrorSink(&failTest), true);
}  // namespace
