// The end-to-end scenario files, played against the portable core in-process:
// the Linux build is held to exactly the expectations that the Windows DLL
// meets under Wine. Scenarios about loading the library itself are Windows-only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "run_in_process.h"
#include "sim_fixture.h"

namespace {

std::vector<std::string> scenarioFiles() {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(VELTRIX_E2E_SCENARIOS))
        if (entry.path().extension() == ".json") files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

// Those that do not need the plug-in loaded as a library. Left out rather
// than skipped: the full test run treats a skipped test as a missing tool.
// A file that does not parse stays in, so that its test reports why.
std::vector<std::string> inProcessScenarioFiles() {
    std::vector<std::string> files;
    for (const std::string& file : scenarioFiles()) {
        try {
            if (sim::loadScenario(file).windowsOnly) continue;
        } catch (const std::exception&) {
        }
        files.push_back(file);
    }
    return files;
}

class ScenarioFile : public ::testing::TestWithParam<std::string> {};

TEST_P(ScenarioFile, MeetsItsExpectations) {
    const sim::Scenario scenario = sim::loadScenario(GetParam());
    ASSERT_FALSE(scenario.expect.empty()) << "a scenario without expectations checks nothing";
    ScratchDirectory dir;
    const sim::InProcessResult result = sim::runInProcess(scenario, dir.path() + "/work");
    ASSERT_EQ(result.trace.rows.size(), static_cast<size_t>(scenario.passes));
    for (const std::string& failure : sim::checkExpectations(scenario, result.trace, result.output))
        ADD_FAILURE() << failure;
}

INSTANTIATE_TEST_SUITE_P(E2e, ScenarioFile, ::testing::ValuesIn(inProcessScenarioFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = std::filesystem::path(info.param).stem().string();
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace

// An empty scenario folder must not pass as a green run.
TEST(E2eScenarioFiles, ThereAreScenarios) { EXPECT_GE(scenarioFiles().size(), 10u); }

// The expectations the end-to-end scenarios lean on report a run that
// breaks them, each with what it saw.
TEST(E2eExpectations, ReportTheRunThatBreaksThem) {
    const nlohmann::json document = {
        {"passes", 40},
        {"objects",
         {{{"id", "knife"}, {"model", "0x5F30F384"}, {"position", {0.4, 0.3, 1.6}}, {"velocity", {5, 0, 0}},
           {"ballistic", false}}}},
        {"events", {{{"pass", 5}, {"action", "throw"}, {"id", "knife"}}}},
        {"expect",
         {// The plug-in is never switched off here, and the camera starts in pass 5.
          {"switched_off", {{10, 12}}},
          {"time_scale_calls", {{6, 1.0}}},
          {"at", {{{"pass", 5}, {"native_calls", 0}}}},
          // In-process, no library is loaded and nothing registers.
          {"registration", {{"registers", 1}, {"unregisters", 1}, {"same_module", true}}}}},
    };
    const sim::Scenario scenario = sim::parseScenario(document);
    ScratchDirectory dir;
    const sim::InProcessResult r = sim::runInProcess(scenario, dir.path() + "/work");
    const std::vector<std::string> failures = sim::checkExpectations(scenario, r.trace, r.output);
    const char* const expected[] = {
        "at pass 5: expected 0 native calls, got",
        "time_scale_calls: expected [[6,1.0]], got [[5,1.0]]",
        "switched_off [[10,12]]: pass 10 (off): 1 snapshots",
        "registration: expected 1 scriptRegister calls, got 0",
        "registration: expected 1 scriptUnregister calls, got 0",
        "registration: scriptUnregister was given module 0x0, scriptRegister 0x0",
    };
    ASSERT_EQ(failures.size(), std::size(expected)) << nlohmann::json(failures).dump(1);
    for (size_t i = 0; i < failures.size(); ++i)
        EXPECT_EQ(failures[i].rfind(expected[i], 0), 0u) << failures[i];

    // The host traffic behind them: a pass on takes one snapshot and yields once.
    EXPECT_EQ(r.trace.rows[9].snapshots, 1);
    EXPECT_EQ(r.trace.rows[9].waits, 1);
    EXPECT_GT(r.trace.rows[4].nativeCalls, 0);
}
