// Scenario files: parsing, playing in-process, the trace, and expectations.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "run_in_process.h"
#include "sim_fixture.h"

using nlohmann::json;

namespace {
sim::InProcessResult play(const json& document) {
    ScratchDirectory dir;
    return sim::runInProcess(sim::parseScenario(document), dir.path() + "/run");
}
}  // namespace

TEST(Scenario, MalformedScenariosAreRefusedWithTheReason) {
    const std::pair<json, const char*> cases[] = {
        {json::array(), "JSON object"},
        {{{"passes", 0}}, "passes"},
        {{{"passes", 5}, {"objects", {{{"id", "k"}, {"model", "knife"}, {"position", {0, 0, 0}}}}}}, "hex string"},
        {{{"passes", 5}, {"events", {{{"pass", 1}, {"action", "dance"}}}}}, "unknown action"},
        {{{"passes", 5}, {"events", {{{"pass", 1}, {"action", "throw"}, {"id", "ghost"}}}}}, "unknown object"},
    };
    for (const auto& [document, reason] : cases) {
        try {
            sim::parseScenario(document);
            ADD_FAILURE() << "accepted " << document.dump();
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
        }
    }
}

TEST(Scenario, KnifeThrowIsTracedThroughStartFollowLingerEnd) {
    const sim::InProcessResult r = play({
        {"name", "knife"},
        {"passes", 200},
        {"ini", {"[Lingering]", "LingerTime=1.0"}},
        {"objects", {{{"id", "knife"}, {"model", "0x5F30F384"}, {"position", {0.4, 0.3, 1.6}}, {"velocity", {11, 4, 3.5}}}}},
        {"events", {{{"pass", 3}, {"action", "throw"}, {"id", "knife"}}}},
        {"expect", {{"cameras_made", 1}, {"output", json::array()}}},
    });
    ASSERT_EQ(r.trace.cameras.size(), 1u);
    const sim::CameraLife& life = r.trace.cameras[0];
    EXPECT_EQ(life.mode, "blade");
    EXPECT_EQ(life.created, 3);
    EXPECT_GT(life.followed, 5);
    // LingerTime 1.0: 63 linger passes at 0.016 before the end pass.
    EXPECT_EQ(life.lingered, 63);
    EXPECT_EQ(life.destroyed, life.created + life.followed + life.lingered + 1);
    EXPECT_EQ(r.trace.rows.size(), 200u);
    EXPECT_TRUE(r.trace.rows[2].scriptedView);
    EXPECT_FALSE(r.trace.rows.back().scriptedView);
    // The trace survives a round trip through its JSON form.
    const sim::Trace back = sim::traceFromJson(sim::traceToJson(r.trace));
    EXPECT_EQ(sim::traceToJson(back), sim::traceToJson(r.trace));
}

TEST(Scenario, ExpectationsReportEveryMismatch) {
    const json document = {
        {"passes", 20},
        {"ini", "ToggleKey=Shift\n"},
        {"objects", {{{"id", "stick"}, {"model", "0x094A2080"}, {"position", {1, 0, 1}}, {"velocity", {3, 0, 4}}}}},
        {"expect",
         {{"cameras_made", 2},
          {"modes", {"blade"}},
          {"output", {"Unknown key binding: ToggleKey=SHIFT"}},
          {"at", {{{"pass", 5}, {"live_cameras", 0}}}}}},
    };
    const sim::Scenario scenario = sim::parseScenario(document);
    ScratchDirectory dir;
    const sim::InProcessResult r = sim::runInProcess(scenario, dir.path() + "/run");
    const auto failures = sim::checkExpectations(scenario, r.trace, r.output);
    ASSERT_EQ(failures.size(), 3u) << json(failures).dump();
    EXPECT_NE(failures[0].find("cameras_made"), std::string::npos);
    EXPECT_NE(failures[1].find("explosive"), std::string::npos);
    EXPECT_NE(failures[2].find("at pass 5"), std::string::npos);  // the output line matched
}

// "ini_file" names a file in the scenario file's folder, whatever the working
// directory, and it reaches the plug-in's folder byte for byte: every byte
// value, CR LF, 0x1A, a UTF-16 byte-order mark. Only a scenario read from its
// file can name one, and it names the settings file or "ini" gives it.
TEST(Scenario, SettingsFileBesideTheScenarioTravelsByteForByte) {
    ScratchDirectory dir;
    std::string bytes("\xFF\xFE[\0L\0\r\0\n\0", 10);
    for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
    bytes += "\r\n\x1A\r\r\n";
    std::filesystem::create_directories(dir.path() + "/cases");
    dir.write("cases/odd.ini", bytes);
    dir.write("cases/scenario.json", R"({"passes": 1, "ini_file": "odd.ini"})");
    const sim::Scenario scenario = sim::loadScenario(dir.path() + "/cases/scenario.json");
    ASSERT_TRUE(scenario.ini.has_value());
    EXPECT_EQ(*scenario.ini, bytes);
    sim::runInProcess(scenario, dir.path() + "/run");
    std::ifstream found(dir.path() + "/run/Veltrix.ini", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(found), {}), bytes);

    const std::pair<const char*, const char*> refused[] = {
        {R"({"passes": 1, "ini_file": "none.ini"})", "cannot read the settings file"},
        {R"({"passes": 1, "ini_file": "odd.ini", "ini": "x"})", "not both"},
    };
    for (const auto& [text, reason] : refused) {
        dir.write("cases/bad.json", text);
        try {
            sim::loadScenario(dir.path() + "/cases/bad.json");
            ADD_FAILURE() << "accepted " << text;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(sim::parseScenario({{"passes", 1}, {"ini_file", "odd.ini"}}), std::runtime_error);
}
