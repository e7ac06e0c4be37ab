// A test fixture that runs the plug-in in the simulated world, in a fresh
// temporary working directory (so that no stray "Veltrix.ini" is read).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "script_runner.h"
#include "world.h"

class ScratchDirectory {
public:
    ScratchDirectory() {
        char pattern[] = "/tmp/veltrix-test-XXXXXX";
        path_ = mkdtemp(pattern);
        char previous[4096];
        previous_ = getcwd(previous, sizeof previous);
        if (chdir(path_.c_str()) != 0) ADD_FAILURE() << "cannot enter " << path_;
    }
    ~ScratchDirectory() {
        if (chdir(previous_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << previous_;
        std::system(("rm -rf '" + path_ + "'").c_str());
    }
    void write(const std::string& name, const std::string& content) const {
        std::ofstream(path_ + "/" + name, std::ios::binary) << content;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
};

class SimTest : public ::testing::Test {
protected:
    ScratchDirectory dir;
    sim::World world;
    std::unique_ptr<sim::ScriptRunner> runner;

    // Settings file for the script's start-up; call before start().
    void settings(const std::string& ini) { dir.write("Veltrix.ini", ini); }
    void start() { runner = std::make_unique<sim::ScriptRunner>(world); }
    void step(int passes = 1) {
        if (!runner) start();
        runner->step(passes);
    }
    int pass() const { return world.pass; }

    // Protocol errors fail the test when the world is destroyed (see protocol_guard.cpp).
    void TearDown() override { runner.reset(); }

    // Floats of a logged argument slot.
    static float f(uint64_t slot) { return sim::slotFloat(slot); }
    static int32_t i(uint64_t slot) { return static_cast<int32_t>(static_cast<uint32_t>(slot)); }

    // The single live camera, failing the test if there is not exactly one.
    const sim::Camera* onlyCamera() const {
        auto live = world.liveCameras();
        EXPECT_EQ(live.size(), 1u);
        return live.empty() ? nullptr : live[0];
    }
    // Every native call of a pass, one per line as sim::describeCall writes
    // it, after a leading line feed, so that a raw string literal of the
    // expected calls lines up with it.
    std::string callsOfPass(int passNumber) const {
        std::string text = "\n";
        for (const sim::NativeCall* c : world.callsInPass(passNumber)) text += sim::describeCall(*c) + "\n";
        return text;
    }
    // Names of the camera and time natives of a pass, in call order.
    std::vector<std::string> cameraCallsInPass(int passNumber) const {
        std::vector<std::string> names;
        for (const sim::NativeCall* c : world.callsInPass(passNumber)) {
            const std::string name = sim::nativeName(c->hash);
            if (name.find("camera") != std::string::npos || name == "render-switch" || name == "time-scale" ||
                name == "near-clip" || name == "field-of-view")
                names.push_back(name);
        }
        return names;
    }
};

constexpr int32_t kKeyN = 78;
