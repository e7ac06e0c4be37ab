// veltrix-sim run: files written, summary table, exit status, and what the
// report page holds.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "report.h"
#include "run_in_process.h"
#include "run_scenarios.h"
#include "sim_fixture.h"

using nlohmann::json;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

json knifeScenario(const std::string& name) {
    return {
        {"name", name},
        {"description", "A knife <thrown> & caught"},
        {"passes", 120},
        {"ini", {"[Lingering]", "LingerTime=0.5"}},
        {"objects", {{{"id", "knife"}, {"model", "0x5F30F384"}, {"position", {0.4, 0.3, 1.6}}, {"velocity", {9, 2, 3}}}}},
        {"events", {{{"pass", 5}, {"action", "throw"}, {"id", "knife"}}}},
        {"expect", {{"cameras_made", 1}, {"cameras_destroyed", 1}, {"final_time_scale", 1.0}}},
    };
}

struct RunResult {
    int status;
    std::string out, err;
};

RunResult run(tools::RunOptions options) {
    std::ostringstream out, err;
    const int status = tools::runScenarios(options, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace

TEST(RunScenarios, WritesTracesReportsAndIndexAndSummarises) {
    ScratchDirectory dir;
    dir.write("a.json", knifeScenario("a").dump());
    json failing = knifeScenario("b");
    failing["expect"]["cameras_made"] = 2;
    dir.write("b.json", failing.dump());

    tools::RunOptions options;
    options.scenarioFiles = {"a.json", "b.json"};
    options.out = "out";
    const RunResult r = run(options);
    EXPECT_EQ(r.status, 1) << r.out;
    for (const char* file : {"trace.csv", "trace.json", "report.html", "output.txt"}) {
        EXPECT_TRUE(std::ifstream("out/a/" + std::string(file)).good()) << file;
        EXPECT_TRUE(std::ifstream("out/b/" + std::string(file)).good()) << file;
    }
    const std::string index = readFile("out/index.html");
    EXPECT_NE(index.find("href=\"a/report.html\""), std::string::npos);
    EXPECT_NE(index.find("href=\"b/report.html\""), std::string::npos);

    // One row per scenario with its figures, then the failed expectation.
    std::istringstream table(r.out);
    std::string header, rowA, rowB, failure;
    std::getline(table, header), std::getline(table, rowA), std::getline(table, rowB), std::getline(table, failure);
    EXPECT_TRUE(std::regex_search(rowA, std::regex(R"(^a\s+1\s+1\s+\d+\s+\d+\s+1\s+1\s+PASS$)"))) << rowA;
    EXPECT_TRUE(std::regex_search(rowB, std::regex(R"(^b\s+1\s+1\s+\d+\s+\d+\s+1\s+1\s+FAIL$)"))) << rowB;
    EXPECT_EQ(failure, "b: cameras_made: expected 2, got 1");

    // The trace on disk is the run's trace.
    const sim::Trace trace = sim::traceFromJson(json::parse(readFile("out/a/trace.json")));
    EXPECT_EQ(trace.rows.size(), 120u);
    ASSERT_EQ(trace.cameras.size(), 1u);
    EXPECT_EQ(count(readFile("out/a/trace.csv"), "\n"), 121u);
}

TEST(RunScenarios, ABrokenScenarioIsReportedAndTheOthersStillRun) {
    ScratchDirectory dir;
    dir.write("good.json", knifeScenario("good").dump());
    dir.write("broken.json", "{\"passes\": 10, \"events\": [{\"pass\": 1, \"action\": \"dance\"}]}");
    dir.write("dll_only.json", "{\"name\": \"dll_only\", \"passes\": 10, \"windows_only\": true}");
    tools::RunOptions options;
    options.scenarioFiles = {"broken.json", "missing.json", "dll_only.json", "good.json"};
    options.out = "out";
    const RunResult r = run(options);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("broken: cannot run: broken.json: unknown action \"dance\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("missing: cannot run: cannot open scenario missing.json"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("dll_only: cannot run: it checks what only the real DLL shows"), std::string::npos) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex(R"(\ngood\s+1\s+1\s.*PASS\n)"))) << r.out;
}

TEST(RunScenarios, IniOptionReplacesTheScenariosSettings) {
    ScratchDirectory dir;
    json scenario = knifeScenario("k");
    scenario["expect"] = {{"output", {"Unknown key binding: ToggleKey=SHIFT"}}};
    dir.write("k.json", scenario.dump());
    dir.write("other.ini", "ToggleKey=Shift\n[Lingering]\nLingerTime=1.25\n");
    tools::RunOptions options;
    options.scenarioFiles = {"k.json"};
    options.out = "out";
    EXPECT_EQ(run(options).status, 1) << "the scenario's own file prints nothing";
    options.ini = "other.ini";
    const RunResult r = run(options);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(readFile("out/k/work/Veltrix.ini"), "ToggleKey=Shift\n[Lingering]\nLingerTime=1.25\n");
    options.ini = "no-such.ini";
    EXPECT_EQ(run(options).status, 2);
}

TEST(RunScenarios, DllRunsRefuseToStartWithoutTheDriver) {
    ScratchDirectory dir;
    dir.write("k.json", knifeScenario("k").dump());
    dir.write("Veltrix.asi", "MZ");
    tools::RunOptions options;
    options.scenarioFiles = {"k.json"};
    options.out = "out";
    options.dll = "Veltrix.asi";
    const RunResult r = run(options);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no e2e_driver.exe in"), std::string::npos) << r.err;
    options.dll = "nothing.asi";
    EXPECT_NE(run(options).err.find("no plug-in at"), std::string::npos);
}

TEST(Report, PageIsSelfContainedWithEveryChart) {
    ScratchDirectory dir;
    json doc = knifeScenario("two");
    doc["objects"].push_back({{"id", "dynamite"}, {"model", "0x094A2080"}, {"position", {0.3, -0.3, 1.6}},
                              {"velocity", {6, -3, 5}}});
    doc["events"].push_back({{"pass", 8}, {"action", "throw"}, {"id", "dynamite"}});
    doc["events"].push_back({{"pass", 90}, {"action", "delete"}, {"id", "dynamite"}});
    const sim::Scenario scenario = sim::parseScenario(doc);
    const sim::InProcessResult result = sim::runInProcess(scenario, dir.path() + "/work");
    ASSERT_EQ(result.trace.cameras.size(), 2u);

    tools::ReportFacts facts;
    facts.runner = "test";
    facts.summary = sim::summarize(result.trace);
    facts.hasExpectations = true;
    facts.failures = {"cameras_made: expected 1, got 2"};
    const std::string html = tools::renderReport(scenario, result.trace, facts);

    // Top view, side view, time scale, camera lives.
    EXPECT_EQ(count(html, "<svg "), 4u);
    for (const char* chart : {"class=\"topview\"", "class=\"sideview\"", "class=\"timeline\"", "class=\"lives\""})
        EXPECT_EQ(count(html, chart), 1u) << chart;
    // Each view draws both objects and both cameras, and the look ticks.
    EXPECT_EQ(count(html, "<polyline fill=\"none\""), 2u * 4u);
    EXPECT_GT(count(html, "<title>pass "), 20u);
    // Both camera lives, in the colours of their phases, and the legend.
    EXPECT_NE(html.find("camera 1 (blade)"), std::string::npos);
    EXPECT_NE(html.find("camera 2 (explosive)"), std::string::npos);
    for (const char* phase : {"start", "follow", "linger", "end"})
        EXPECT_NE(html.find(std::string("</i>") + phase), std::string::npos) << phase;
    // The description is text, not markup; the failure is listed.
    EXPECT_NE(html.find("A knife &lt;thrown&gt; &amp; caught"), std::string::npos);
    EXPECT_NE(html.find("class=\"fail\">FAIL"), std::string::npos);
    EXPECT_NE(html.find("cameras_made: expected 1, got 2"), std::string::npos);
    // Nothing is fetched from elsewhere.
    EXPECT_EQ(count(html, "src="), 0u);
    EXPECT_EQ(count(html, "http"), count(html, "xmlns=\"http://www.w3.org/2000/svg\""));
    EXPECT_EQ(count(html, "<link"), 0u);
}

TEST(Report, ATraceWithoutCamerasStillRenders) {
    ScratchDirectory dir;
    const sim::Scenario scenario = sim::parseScenario({{"name", "quiet"}, {"passes", 3}});
    const sim::InProcessResult result = sim::runInProcess(scenario, dir.path() + "/work");
    tools::ReportFacts facts;
    facts.summary = sim::summarize(result.trace);
    const std::string html = tools::renderReport(scenario, result.trace, facts);
    EXPECT_EQ(count(html, "<svg "), 4u);
    EXPECT_NE(html.find("no camera was made"), std::string::npos);
    EXPECT_EQ(html.find("nan"), std::string::npos);
    EXPECT_EQ(html.find("inf"), std::string::npos);
}
