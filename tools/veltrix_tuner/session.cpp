#include "tuner.h"

#include <algorithm>

#include "run_in_process.h"

namespace tuner {

using nlohmann::json;

Session::Session(std::string directory) : workDirectory(std::move(directory)), current(analysed("")) {
    for (size_t k = 0; k < kBundledScenarioCount; ++k) {
        std::string key = kBundledScenarios[k].file;
        key = key.substr(0, key.rfind(".json"));
        bundled.emplace_back(key, sim::parseScenario(json::parse(kBundledScenarios[k].json)));
    }
}

const sim::Scenario* Session::scenario(const std::string& key) const {
    if (key == "custom") return custom ? &*custom : nullptr;
    for (const auto& [name, s] : bundled)
        if (name == key) return &s;
    return nullptr;
}

void Session::queue(std::vector<Pending> next, bool every) {
    if (every) stream.clear();
    // A scenario's place: a bundled one's, the custom shot's after them.
    auto place = [&](const std::string& key) {
        size_t k = 0;
        while (k < bundled.size() && bundled[k].first != key) ++k;
        return k;
    };
    next.erase(std::remove_if(next.begin(), next.end(), [&](const Pending& p) { return place(p.key) % shares != share; }),
               next.end());
    std::stable_partition(next.begin(), next.end(), [&](const Pending& p) { return moved.count(p.key) > 0; });
    // A replay still queued keeps its place: it plays the file as it is when
    // its turn comes. So while changes come quickly, every scenario still
    // gets its turn.
    for (const Pending& n : next) {
        const auto found = std::find_if(stream.begin(), stream.end(),
                                        [&](const Pending& p) { return p.key == n.key && p.current == n.current; });
        if (found == stream.end())
            stream.push_back(n);
        else
            found->asLoaded = found->asLoaded || n.asLoaded;
    }
}

std::string replay(const Session& session, const sim::Scenario& scenario, const std::string& file) {
    sim::Scenario s = scenario;
    s.ini = file;
    try {
        const sim::InProcessResult run = sim::runInProcess(s, session.workDirectory, {}, true);
        return encodeReplay(s, run.trace, run.output, {{"cutShort", run.cutShort}});
    } catch (const std::exception& e) {
        // The page says so on the scenario's card; the other scenarios play on.
        return envelope({{"name", s.name}, {"error", e.what()}});
    }
}

std::string next(Session& session) {
    while (!session.stream.empty()) {
        const Pending p = session.stream.front();
        session.stream.pop_front();
        const sim::Scenario* scenario = session.scenario(p.key);
        if (!scenario) continue;
        std::string blob = replay(session, *scenario, p.current ? session.current.file : session.loaded);
        if (p.current) {
            std::string& sent = session.sent[p.key];
            const bool same = blob == sent;
            if (same) session.moved.erase(p.key);
            else session.moved.insert(p.key);
            if (same && !p.asLoaded) continue;
            sent = blob;
        }
        return envelope({{"key", p.key}, {"current", p.current}, {"asLoaded", p.asLoaded}}, blob);
    }
    return {};
}

}  // namespace tuner
