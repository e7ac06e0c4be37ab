// veltrix-sim run: files written, summary table, exit status, and the data
// its page is given.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "run_in_process.h"
#include "run_scenarios.h"
#include "settings_report.h"
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

// A stand-in for the tuner page: only its data slot matters here.
const char kPage[] = "<p>before</p><script id=\"veltrix-data\" type=\"application/json\">null</script><p>after</p>";

// A replay blob's JSON header (its layout: tools/veltrix_tuner/tuner.h).
json replayHeader(const std::string& blob) {
    if (blob.size() < 4) return nullptr;
    uint32_t length = 0;
    for (int i = 3; i >= 0; --i) length = length << 8 | static_cast<unsigned char>(blob[static_cast<size_t>(i)]);
    return json::parse(blob.substr(4, length));
}

// The data in a page's slot.
json dataIn(const std::string& page) {
    const std::string start = "type=\"application/json\">";
    const size_t from = page.find(start) + start.size();
    return json::parse(page.substr(from, page.find("</script>", from) - from));
}

RunResult run(tools::RunOptions options) {
    if (options.page.empty()) {
        std::ofstream("page.html", std::ios::binary) << kPage;
        options.page = "page.html";
    }
    std::ostringstream out, err;
    const int status = tools::runScenarios(options, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace

TEST(RunScenarios, WritesTracesAndThePageAndSummarises) {
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
    for (const char* file : {"trace.csv", "trace.json", "output.txt"}) {
        EXPECT_TRUE(std::ifstream("out/a/" + std::string(file)).good()) << file;
        EXPECT_TRUE(std::ifstream("out/b/" + std::string(file)).good()) << file;
    }
    // The page is the given one with the run in its slot, and nothing else
    // changed; the description's markup stays text in the data.
    const std::string index = readFile("out/index.html");
    EXPECT_EQ(index.rfind("<p>before</p>", 0), 0u);
    EXPECT_EQ(index.substr(index.size() - 21), "</script><p>after</p>");
    EXPECT_EQ(count(index, "</script>"), 1u);
    EXPECT_EQ(index.find("<thrown>"), std::string::npos) << "markup from a scenario reached the page";
    const json data = dataIn(index);
    EXPECT_EQ(data, json::parse(readFile("out/run.json")));
    ASSERT_EQ(data["runs"].size(), 2u);
    EXPECT_EQ(data["runs"][0]["result"], "PASS");
    EXPECT_EQ(data["runs"][1]["result"], "FAIL");
    EXPECT_EQ(data["runs"][1]["failures"], json({"cameras_made: expected 2, got 1"}));
    EXPECT_EQ(data["runs"][0]["settings"], "[Lingering]\nLingerTime=0.5\n");
    // Each run as the replay the page's module would give of the same trace.
    std::string blob;
    ASSERT_TRUE(sim::fromLatin1(data["runs"][0]["replay"].get<std::string>(), blob));
    const json replay = replayHeader(blob);
    EXPECT_EQ(replay["description"], "A knife <thrown> & caught");
    EXPECT_EQ(replay["played"], 120);
    EXPECT_EQ(replay["recorded"], true);
    EXPECT_EQ(replay["lives"].size(), 1u);
    EXPECT_EQ(data["table"]["problems"], json({"b: cameras_made: expected 2, got 1"}));

    // One row per scenario with its figures, then the failed expectation.
    std::istringstream table(r.out);
    std::string header, rowA, rowB, failure;
    std::getline(table, header), std::getline(table, rowA), std::getline(table, rowB), std::getline(table, failure);
    EXPECT_TRUE(std::regex_search(rowA, std::regex(R"(^a\s+1\s+1\s+\d+\s+\d+\s+1\s+1\s+PASS$)"))) << rowA;
    EXPECT_TRUE(std::regex_search(rowB, std::regex(R"(^b\s+1\s+1\s+\d+\s+\d+\s+1\s+1\s+FAIL$)"))) << rowB;
    EXPECT_EQ(failure, "b: cameras_made: expected 2, got 1");
    // The page's rows are the ones printed, cell by cell.
    auto cells = [](const std::string& line) {
        std::istringstream words(line);
        return std::vector<std::string>(std::istream_iterator<std::string>(words), {});
    };
    EXPECT_EQ(data["table"]["rows"][0], json(cells(rowA)));
    EXPECT_EQ(data["table"]["rows"][1], json(cells(rowB)));

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

TEST(PageData, NothingInTheDataEndsTheSlotAndEveryByteComesBack) {
    std::string bytes;
    for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
    const json data = {{"file", sim::latin1(bytes)}, {"text", "</script><script>alert(1)</script><!--"}};
    const std::string page = tools::pageWithData(kPage, data);
    EXPECT_EQ(count(page, "</script>"), 1u);
    EXPECT_EQ(page.find("<!--"), std::string::npos);
    const json back = dataIn(page);
    EXPECT_EQ(back, data);
    std::string again;
    ASSERT_TRUE(sim::fromLatin1(back["file"].get<std::string>(), again));
    EXPECT_EQ(again, bytes);
    EXPECT_FALSE(sim::fromLatin1("\xE2\x82\xAC", again)) << "a code point past 0xFF is no byte";
    EXPECT_THROW(tools::pageWithData("<html>no slot</html>", data), std::runtime_error);
}

TEST(RunScenarios, APageThatCannotBeMadeIsSaidAndTheRunLeavesItsData) {
    ScratchDirectory dir;
    dir.write("a.json", knifeScenario("a").dump());
    tools::RunOptions options;
    options.scenarioFiles = {"a.json"};
    options.out = "out";
    options.page = "no-page.html";
    const RunResult named = run(options);
    EXPECT_EQ(named.status, 2) << "a page asked for by name is missing";
    EXPECT_NE(named.err.find("no tuner page at no-page.html"), std::string::npos) << named.err;
    EXPECT_EQ(json::parse(readFile("out/run.json"))["runs"][0]["result"], "PASS");

    std::filesystem::create_directories("unwritable/index.html");  // a folder where the page goes
    options.out = "unwritable";
    options.page.clear();
    const RunResult unwritten = run(options);
    EXPECT_EQ(unwritten.status, 2);
    EXPECT_NE(unwritten.err.find("cannot write"), std::string::npos) << unwritten.err;
    EXPECT_EQ(unwritten.out.find("Report:"), std::string::npos) << unwritten.out;
}
