// The page's WebAssembly module exports one request path (an operation by name
// with its JSON arguments and its bytes, answered as an envelope) and the
// replays a request queued, one at a time, so that the page's worker can take
// a newer request between two. Bytes cross as pointer and length; an answer
// stays in the module until the next call.
#include <cstddef>
#include <string>

#include "tuner.h"

namespace {

tuner::Session& session() {
    // The settings file at the root of the module's file system, where the
    // core's many opens of it find it soonest.
    static tuner::Session s("/");
    return s;
}
std::string g_answer;

std::string bytes(const char* data, size_t size) { return data && size ? std::string(data, size) : std::string(); }

}  // namespace

extern "C" {

const char* veltrix_answer() { return g_answer.data(); }
size_t veltrix_answer_size() { return g_answer.size(); }

void veltrix_call(const char* op, size_t opSize, const char* args, size_t argsSize, const char* data, size_t dataSize) {
    nlohmann::json parsed = nlohmann::json::object();
    try {
        if (argsSize) parsed = nlohmann::json::parse(bytes(args, argsSize));
    } catch (const std::exception& e) {
        g_answer = tuner::envelope({{"problem", std::string("internal: arguments: ") + e.what()}});
        return;
    }
    g_answer = tuner::call(session(), bytes(op, opSize), parsed, bytes(data, dataSize));
}

// 0 when no replay is left.
int veltrix_next() {
    g_answer = tuner::next(session());
    return g_answer.empty() ? 0 : 1;
}

}  // extern "C"
