// The one format of a replay and of every answer of the module: the page
// reads it, and veltrix-sim writes the runs it records in it.
#include "tuner.h"

#include <algorithm>

namespace tuner {

using nlohmann::json;

namespace {

// What the plug-in printed, line by line as the tools show bytes: enough to
// compare runs (the lines of the first 4 KiB), not a long file's every line.
json shownOutput(const std::string& output) {
    constexpr size_t kShownBytes = 4096;
    json lines = json::array();
    size_t at = 0;
    while (at < output.size() && at < kShownBytes) {
        const size_t end = std::min(output.find('\n', at), output.size());
        lines.push_back(tools::shownText(std::string_view(output).substr(at, end - at)));
        at = end + 1;
    }
    if (at < output.size()) lines.push_back("… (" + std::to_string(output.size()) + " bytes in all)");
    return lines;
}

// The scenario's objects and targets, in the order the passes index them.
json objectsOf(const sim::Scenario& s, std::map<std::string, int>& index) {
    json objects = json::array();
    for (const sim::ScenarioObject& o : s.objects) {
        index[o.id] = static_cast<int>(objects.size());
        objects.push_back({{"id", o.id}, {"kind", "object"}, {"model", tools::hashText(o.model)}});
    }
    for (const sim::ScenarioTarget& target : s.targets) {
        index[target.id] = static_cast<int>(objects.size());
        json bones = json::array();
        for (const sim::Bone& b : target.bones)
            bones.push_back({{"id", b.id}, {"offset", {b.offset.x, b.offset.y, b.offset.z}}});
        objects.push_back({{"id", target.id}, {"kind", "target"}, {"bones", bones}});
    }
    return objects;
}

void appendPass(const sim::TraceRow& row, const std::map<std::string, int>& index, std::vector<float>& frames) {
    frames.insert(frames.end(), {row.timeScale, row.scriptedView ? 1.0f : 0.0f, static_cast<float>(row.nativeCalls),
                                 static_cast<float>(row.cameras.size())});
    for (const sim::CameraSample& c : row.cameras)
        frames.insert(frames.end(), {static_cast<float>(c.handle), c.position.x, c.position.y, c.position.z,
                                     c.lookAt.x, c.lookAt.y, c.lookAt.z, static_cast<float>(c.phase), c.fieldOfView});
    // An object the scenario does not name (a recorded trace may hold
    // anything) is left out rather than drawn as another.
    const size_t countAt = frames.size();
    frames.push_back(0.0f);
    for (const sim::ObjectSample& o : row.objects) {
        const auto found = index.find(o.id);
        if (found == index.end()) continue;
        frames.insert(frames.end(), {static_cast<float>(found->second), o.position.x, o.position.y, o.position.z});
        frames[countAt] += 1.0f;
    }
}

}  // namespace

std::string envelope(const json& header, std::string_view bytes) {
    const std::string text = tools::jsonText(header);
    const uint32_t length = static_cast<uint32_t>(text.size());
    std::string blob(4, '\0');
    for (size_t i = 0; i < 4; ++i) blob[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    blob += text;
    blob.resize((blob.size() + 3) / 4 * 4, '\0');
    blob.append(bytes);
    return blob;
}

std::string encodeReplay(const sim::Scenario& s, const sim::Trace& t, const std::string& output, json header) {
    header["name"] = s.name;
    header["description"] = s.description;
    header["passes"] = s.passes;
    header["played"] = t.rows.size();
    header["player"] = {s.player.x, s.player.y, s.player.z};
    const Vector3 bone = sim::World().launchBoneOffset;
    header["launchBone"] = {s.player.x + bone.x, s.player.y + bone.y, s.player.z + bone.z};
    std::map<std::string, int> index;
    header["objects"] = objectsOf(s, index);
    header["lives"] = sim::cameraLivesJson(t);
    header["timeScaleCalls"] = sim::timeScaleCallsJson(t);
    header["protocolErrors"] = t.protocolErrors;
    header["output"] = shownOutput(output);
    header["outputBytes"] = output.size();

    std::vector<float> frames;
    for (const sim::TraceRow& row : t.rows) appendPass(row, index, frames);
    return envelope(header, std::string_view(reinterpret_cast<const char*>(frames.data()), frames.size() * sizeof(float)));
}

}  // namespace tuner
