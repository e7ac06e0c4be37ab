// Fault injection: a host that answers with non-finite or degenerate values,
// misreports its snapshot, fails to create cameras or loses entities between
// any two queries, and settings files that cannot be read or hold nonsense.
// Whatever happens, the plug-in must not crash or read out of bounds (run
// these under the native-asan preset too), every shot camera must end within a
// bounded number of passes, and normal game speed must come back.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <limits>

#include "cameras/arrow_camera.h"
#include "cameras/bullet_camera.h"
#include "cameras/script.h"
#include "sim_fixture.h"

namespace {

using namespace sim::hash;

constexpr uint32_t kKnife = 0x5F30F384;
constexpr uint32_t kDynamite = 0x094A2080;
constexpr uint32_t kBottleHeld = 0xE5C6289E;
constexpr uint32_t kBottleAnySpeed = 0xFF2EDB6F;
constexpr uint32_t kGun = 0x4E328256;
constexpr uint32_t kBow = 0x88A8505C;

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// Passes a shot camera may live, whatever the settings and the host answer.
// Ten minutes at 60 frames a second.
constexpr int kShotCameraBound = 36000;
// With the default settings: the bullet camera's 358 + 209 passes, the longest
// of all modes.
constexpr int kDefaultBound = 358 + 209;

bool isVectorQuery(uint64_t h) {
    return h == EntityPosition || h == EntityVelocity || h == PedBonePosition || h == BonePosition ||
           h == CameraPosition;
}

void poisonVector(uint64_t* results, float value) {
    for (int k = 0; k < 3; ++k) results[k] = sim::floatSlot(value);
}

// One simulated game with the plug-in loaded, driven pass by pass, that keeps
// the life of every shot camera it sees.
class Game {
public:
    sim::World world;

    Game() { world.logCalls = false; }
    void start() { runner_ = std::make_unique<sim::ScriptRunner>(world); }

    void step(int passes = 1) {
        if (!runner_) start();
        for (int n = 0; n < passes; ++n) {
            runner_->step();
            watch(bulletCamActive, bulletSince_);
            watch(arrowCamActive, arrowSince_);
        }
    }

    // Every mode busy at once: a knife, dynamite and both fire bottles in the
    // air near the player; the bullet camera on one target (fired in pass 1),
    // the arrow camera on another (pass 2).
    void everything() {
        spawnAll();
        fireBoth();
    }
    void spawnAll() {
        spawnThrown();
        spawnTargets();
    }
    void spawnThrown() {
        knife = world.spawnObject(kKnife, {1, 0, 1}, {8, 1, 0}, false);
        dynamite = world.spawnObject(kDynamite, {0, 1, 1}, {1, 8, 0}, false);
        bottleHeld = world.spawnObject(kBottleHeld, {-1, 0, 1}, {-9, 0, 0}, false);
        bottleAnySpeed = world.spawnObject(kBottleAnySpeed, {0, -1, 1}, {0, -9, 0}, false);
    }
    void spawnTargets() {
        const Vector3 l = world.launchBonePosition();
        gunTarget = world.spawnTarget({l.x + 30, l.y + 5, l.z}, {{14285, {0, 0, 0.5f}}}, false);
        bowTarget = world.spawnTarget({l.x - 12, l.y + 9, l.z}, {}, false, true);
    }
    void fireBoth() {
        world.weapon = kGun;
        world.aimedEntity = gunTarget;
        world.shooting = true;
        step();
        world.weapon = kBow;
        world.aimedEntity = bowTarget;
        step();
        world.shooting = false;
    }

    // Nothing flies and nobody shoots: passes until every mode is idle (or,
    // with `shotsOnly`, both shot cameras), at most `limit`; -1 if never.
    int quiet(int limit, bool shotsOnly = false) {
        world.shooting = false;
        for (int32_t h : world.snapshotOrder) world.removeEntity(h);
        for (int n = 0; n <= limit; ++n) {
            if (shotsOnly ? shotIdle() : idle()) return n;
            step();
        }
        return -1;
    }
    bool shotIdle() const { return !bulletCamActive && !arrowCamActive; }
    bool idle() const { return shotIdle() && world.liveCameras().empty(); }

    int longestShot() const { return longest_; }
    int shotsStarted() const { return started_; }
    int shotsEnded() const { return ended_; }

    int32_t knife = 0, dynamite = 0, bottleHeld = 0, bottleAnySpeed = 0, gunTarget = 0, bowTarget = 0;

private:
    std::unique_ptr<sim::ScriptRunner> runner_;
    int bulletSince_ = 0, arrowSince_ = 0, longest_ = 0, started_ = 0, ended_ = 0;

    void watch(bool running, int& since) {
        if (running) {
            if (since == 0) {
                since = world.pass;
                ++started_;
            }
            longest_ = std::max(longest_, world.pass - since + 1);
        } else if (since != 0) {
            since = 0;
            ++ended_;
        }
    }
};

// What must hold once a faulty game has gone quiet; `held` cameras may still
// be live by design.
void expectRecovered(const Game& g, int quietPasses, const std::string& what, uint64_t held = 0) {
    SCOPED_TRACE(what);
    EXPECT_TRUE(g.world.errors.empty()) << g.world.errors.front();
    EXPECT_GE(quietPasses, 0) << "some mode never came to rest";
    EXPECT_TRUE(g.shotIdle());
    EXPECT_LE(g.longestShot(), kShotCameraBound);
    EXPECT_EQ(g.shotsEnded(), g.shotsStarted());
    EXPECT_EQ(g.world.timeScale, 1.0f);
    EXPECT_EQ(g.world.camerasCreated - g.world.camerasDestroyed, held);
    EXPECT_EQ(g.world.liveCameras().size(), held);
}

}  // namespace

using Faults = SimTest;

// ---- Host answers ------------------------------------------------------------------------

// Every vector the host hands over (or one kind of them) is NaN, infinite or
// so large that differences overflow, from the first pass on.
TEST_F(Faults, NonFiniteAndHugeVectorsNeitherCrashNorStickACamera) {
    const float values[] = {kNaN, kInf, -kInf, 3e38f, -3e38f};
    const struct {
        const char* name;
        bool (*poisons)(uint64_t);
    } kinds[] = {
        {"every vector", isVectorQuery},
        {"entity positions", [](uint64_t h) { return h == EntityPosition; }},
        {"velocities", [](uint64_t h) { return h == EntityVelocity; }},
        {"bones and launch point", [](uint64_t h) { return h == BonePosition || h == PedBonePosition; }},
        {"camera positions", [](uint64_t h) { return h == CameraPosition; }},
    };
    for (float value : values) {
        for (const auto& kind : kinds) {
            Game g;
            auto poisons = kind.poisons;
            g.world.rewriteAnswer = [value, poisons](uint64_t h, uint64_t* results) {
                if (poisons(h)) poisonVector(results, value);
            };
            g.everything();
            g.step(150);
            const int quiet = g.quiet(kShotCameraBound);
            expectRecovered(g, quiet, std::string(kind.name) + " = " + std::to_string(value));
            EXPECT_EQ(g.shotsEnded(), 2);
        }
    }
}

// Velocities of zero, of -0, just at the moving threshold or subnormal, and
// ordinary throws: with finite answers the plug-in never places or aims a
// camera at a non-finite point.
TEST_F(Faults, DegenerateVelocitiesGiveFinitePoses) {
    const Vector3 velocities[] = {{0, 0, 0}, {-0.0f, -0.0f, -0.0f}, {0.01f, 0, 0}, {0, 0, 0.0100001f},
                                  {1e-45f, 1e-45f, 1e-45f}, {1e-20f, 0, 0}, {0, 0, -12}, {7, -7, 3}};
    for (const Vector3& v : velocities) {
        Game g;
        g.world.logCalls = true;
        for (uint32_t model : {kKnife, kDynamite, kBottleHeld, kBottleAnySpeed})
            g.world.spawnObject(model, {0.5f, 0.5f, 1}, v, false);
        g.step(40);
        const int quiet = g.quiet(kDefaultBound);
        expectRecovered(g, quiet, "velocity " + std::to_string(v.x) + "," + std::to_string(v.z));
        for (const sim::NativeCall& c : g.world.calls) {
            if (c.hash != SetCameraPosition && c.hash != PointCamera) continue;
            for (int k = 1; k <= 3; ++k) ASSERT_TRUE(std::isfinite(sim::slotFloat(c.args[k]))) << "pass " << c.pass;
        }
    }
}

// The host reports more objects than fit or than it wrote, or a negative count.
TEST_F(Faults, SnapshotCountsOutsideTheArray) {
    const int32_t counts[] = {1025, 4096, INT32_MAX, 1024, -1, INT32_MIN};
    for (int32_t count : counts) {
        Game g;
        g.world.logCalls = true;
        g.everything();  // four objects written, whatever is reported
        g.world.overrideObjectCount = true;
        g.world.reportedObjectCount = count;
        g.step(3);
        // Never more handles scanned than the array holds: each scan asks one
        // model per handle, the blade and explosive scans once each.
        EXPECT_LE(g.world.countInPass(g.world.pass, EntityModel), 2 * kSnapshotCapacity + 4) << count;
        g.world.overrideObjectCount = false;
        const int quiet = g.quiet(kDefaultBound);
        expectRecovered(g, quiet, "count " + std::to_string(count));
    }
}

// The create-camera operation answers 0. The plug-in uses the handle as
// returned; what matters is that every mode still ends and speed comes back.
TEST_F(Faults, CreateCameraReturningZero) {
    Game g;
    g.world.createReturnsZero = true;
    g.everything();
    EXPECT_TRUE(bulletCamActive && arrowCamActive);
    g.step(100);
    // The simulated host keeps a record of every "camera 0" it handed out;
    // only the plug-in's side counts here.
    const int quiet = g.quiet(kDefaultBound, true);
    EXPECT_TRUE(g.world.errors.empty());
    EXPECT_TRUE(g.shotIdle());
    EXPECT_GE(quiet, 0);
    EXPECT_EQ(g.shotsEnded(), 2);
    EXPECT_EQ(g.world.timeScale, 1.0f);
    EXPECT_EQ(bulletCamera.camera, 0);
    EXPECT_EQ(arrowCamera.camera, 0);
}

// ---- Entities vanishing mid-pass ------------------------------------------------------------

namespace {

enum class Victim { Thrown, GunTarget, BowTarget };
enum class When { Start, Follow, Arrival, Linger };

// A moment of the all-modes game worth breaking: at one call of that pass,
// the victims vanish (or the thrown objects become attached).
struct Moment {
    const char* name;
    Victim victim;
    When when;
    bool attachInstead;
};

std::vector<int32_t> victimsOf(const Game& g, Victim v) {
    switch (v) {
    case Victim::GunTarget: return {g.gunTarget};
    case Victim::BowTarget: return {g.bowTarget};
    default: return {g.knife, g.dynamite, g.bottleHeld, g.bottleAnySpeed};
    }
}

// Pass of the moment, and the number of native calls in it, from an
// undisturbed game.
std::pair<int, int> locate(const Moment& m) {
    Game g;
    int arrival = 0;
    const bool bullet = m.victim == Victim::GunTarget;
    g.everything();
    while (arrival == 0 && g.world.pass < 1000) {
        if ((bullet ? bulletCamera : arrowCamera).lingering) arrival = g.world.pass;
        else g.step();
    }
    int pass = 0;
    switch (m.when) {
    case When::Start: pass = m.victim == Victim::BowTarget ? 2 : 1; break;
    case When::Follow: pass = m.victim == Victim::Thrown ? 5 : arrival / 2; break;
    case When::Arrival: pass = arrival; break;
    case When::Linger: pass = arrival + 20; break;
    }
    Game count;
    int calls = 0;
    count.world.beforeAnswer = [&](uint64_t) { calls += count.world.pass == pass; };
    count.everything();
    count.step(pass - count.world.pass);
    return {pass, calls};
}

}  // namespace

TEST_F(Faults, EntitiesVanishBetweenAnyTwoQueries) {
    const Moment moments[] = {
        {"thrown objects, search pass", Victim::Thrown, When::Start, false},
        {"thrown objects attach, search pass", Victim::Thrown, When::Start, true},
        {"thrown objects, follow pass", Victim::Thrown, When::Follow, false},
        {"thrown objects attach, follow pass", Victim::Thrown, When::Follow, true},
        {"bullet target, start", Victim::GunTarget, When::Start, false},
        {"bullet target, travel", Victim::GunTarget, When::Follow, false},
        {"bullet target, arrival", Victim::GunTarget, When::Arrival, false},
        {"bullet target, linger", Victim::GunTarget, When::Linger, false},
        {"arrow target, start", Victim::BowTarget, When::Start, false},
        {"arrow target, travel", Victim::BowTarget, When::Follow, false},
        {"arrow target, arrival", Victim::BowTarget, When::Arrival, false},
        {"arrow target, linger", Victim::BowTarget, When::Linger, false},
    };
    int sweeps = 0;
    for (const Moment& m : moments) {
        const auto [pass, callsInPass] = locate(m);
        ASSERT_GT(callsInPass, 0) << m.name;
        for (int at = 0; at < callsInPass; ++at) {
            Game g;
            g.spawnAll();
            const std::vector<int32_t> victims = victimsOf(g, m.victim);
            int seen = 0;
            g.world.beforeAnswer = [&](uint64_t) {
                if (g.world.pass != pass || seen++ != at) return;
                for (int32_t h : victims) {
                    if (m.attachInstead) g.world.entity(h).attached = true;
                    else g.world.removeEntity(h);
                }
            };
            g.fireBoth();
            g.step(pass + 5 - g.world.pass);
            g.world.beforeAnswer = nullptr;
            EXPECT_EQ(seen > at, true) << m.name << ": the pass had fewer calls";
            const int quiet = g.quiet(kDefaultBound);
            expectRecovered(g, quiet, std::string(m.name) + ", pass " + std::to_string(pass) + ", before call " +
                                          std::to_string(at));
            ++sweeps;
        }
    }
    std::printf("vanishing swept over %d call positions\n", sweeps);
}

// ---- Settings files --------------------------------------------------------------------------

namespace {
// The float settings as loaded, for comparison with the defaults.
std::vector<float> floats() {
    return {BulletCamSpeed, LingerTime, CameraOffsetBack, slowMotionFactor, BulletLingerSpeed, BowLingerSpeed,
            BowCamSpeed};
}
const std::vector<float> kDefaults = {3.5f, 2.5f, 2.0f, 0.05f, 0.05f, 0.05f, 0.7f};
const char kCustomFile[] = "ToggleKey=K\n[Lingering]\nLingerTime=1\n";
}  // namespace

// A file that exists but cannot be opened: a symbolic link that loops (no
// process, root included, can open it) and a directory of that name. Both
// read as no file at all.
TEST_F(Faults, SettingsPathThatCannotBeOpenedGivesDefaults) {
    for (const char* kind : {"loop", "directory"}) {
        SCOPED_TRACE(kind);
        const std::string path = dir.path() + "/Veltrix.ini";
        std::system(("rm -rf '" + path + "'").c_str());
        if (std::string(kind) == "loop")
            ASSERT_EQ(symlink("Veltrix.ini", path.c_str()), 0);
        else
            ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
        ASSERT_FALSE(std::ifstream(path).is_open() && std::string(kind) == "loop");

        Game g;
        testing::internal::CaptureStdout();
        g.step();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "no file, no message";
        EXPECT_EQ(floats(), kDefaults);
        g.world.keysDown[kKeyN] = true;  // the default toggle key works
        g.step();
        g.world.keysDown[kKeyN] = false;
        g.step();
        EXPECT_FALSE(enabled);
    }
}

// A file without read permission. As root (or with CAP_DAC_OVERRIDE)
// permissions do not stop reads, so what the plug-in must do depends on what
// this process can actually open: defaults if it cannot, the file if it can.
TEST_F(Faults, SettingsFileWithoutReadPermission) {
    settings(kCustomFile);
    const std::string path = dir.path() + "/Veltrix.ini";
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    const bool readable = std::ifstream(path).is_open();
    if (readable) std::printf("note: permissions do not stop this process's reads (root?); the file is read\n");

    Game g;
    g.step();
    EXPECT_EQ(LingerTime, readable ? 1.0f : 2.5f);
    const int32_t toggle = readable ? 'K' : kKeyN;
    g.world.keysDown[toggle] = true;
    g.step();
    g.world.keysDown[toggle] = false;
    g.step();
    EXPECT_FALSE(enabled) << "toggled by " << toggle;
    chmod(path.c_str(), 0600);
}

// Zero, negative, NaN, infinite and absurd numbers for every setting a camera
// uses. Every shot camera must still end, and normal speed come back.
TEST_F(Faults, NonsenseSettingsNeverStickAShotCamera) {
    const char* values[] = {"0", "-1", "nan", "inf", "-inf", "1e-30", "3e38"};
    const char* keys[] = {"slowMotionFactor", "BulletCamSpeed", "LingerTime", "BowCamSpeed",
                          "BowLingerSpeed", "BulletLingerSpeed", "CameraOffsetBack"};
    for (const char* key : keys) {
        for (const char* value : values) {
            const std::string what = std::string(key) + "=" + value;
            settings(std::string("[Lingering]\n") + what + "\n");
            Game g;
            g.everything();
            g.step(200);
            // The blade camera holds its last view for LingerTime, with time
            // running normally; one that never runs out (the timer stops
            // growing long before 3e38) holds it for good, as asked.
            const bool holdsForGood = what == "LingerTime=inf" || what == "LingerTime=3e38";
            const int quiet = g.quiet(kShotCameraBound, holdsForGood);
            expectRecovered(g, quiet, what, holdsForGood ? 1 : 0);
            EXPECT_EQ(g.shotsEnded(), 2) << what;
        }
    }
}

// ---- Each fix, on its own ---------------------------------------------------------------------

namespace {
std::vector<float> timeScalesOf(const sim::World& w) {
    std::vector<float> values;
    for (const auto& entry : w.timeScaleHistory) values.push_back(entry.second);
    return values;
}
}  // namespace

// A travel step that cannot move the camera along the line (zero, negative,
// or too small to change the progress) would leave it short of the target for
// good, with the game slowed or frozen. It arrives at once instead, then
// lingers and ends as usual.
TEST_F(Faults, ShotCameraThatCannotAdvanceArrivesAtOnce) {
    for (const char* file : {"slowMotionFactor=0", "slowMotionFactor=-1", "BulletCamSpeed=-1", "BulletCamSpeed=-inf"}) {
        SCOPED_TRACE(file);
        settings(std::string("[Lingering]\n") + file + "\n");
        Game g;
        g.spawnTargets();
        g.world.weapon = kGun;
        g.world.aimedEntity = g.gunTarget;
        g.world.shooting = true;
        g.step();
        g.world.shooting = false;
        EXPECT_TRUE(bulletCamera.lingering) << "arrived in the start pass";
        EXPECT_EQ(bulletCamera.travelProgress, 1.0f);
        const sim::Camera* cam = g.world.camera(bulletCamera.camera);
        ASSERT_NE(cam, nullptr);
        EXPECT_EQ(cam->position.x, bulletCamera.endPoint.x);
        g.step(209);
        EXPECT_FALSE(bulletCamActive) << "then the usual 209 linger passes";
        const std::vector<float> scales = timeScalesOf(g.world);
        ASSERT_EQ(scales.size(), 211u);
        EXPECT_EQ(scales[1], 0.05f);
        EXPECT_EQ(scales.back(), 1.0f);
    }

    // The arrow's step is 0.8 / length: an infinite launch point makes it 0.
    Game g;
    g.world.rewriteAnswer = [](uint64_t h, uint64_t* results) {
        if (h == PedBonePosition) poisonVector(results, kInf);
    };
    g.spawnTargets();
    g.world.weapon = kBow;
    g.world.aimedEntity = g.bowTarget;
    g.world.shooting = true;
    g.step();
    g.world.shooting = false;
    EXPECT_TRUE(arrowCamera.lingering);
    g.step(358);
    EXPECT_FALSE(arrowCamActive);
    EXPECT_EQ(g.world.timeScale, 1.0f);
}

// A NaN LingerTime compares false with everything; read as "no linger left",
// it ends each lingering camera in its first linger pass instead of never.
TEST_F(Faults, NaNLingerTimeEndsLingeringAtOnce) {
    settings("[Lingering]\nLingerTime=nan\n");
    Game g;
    const int32_t knife = g.world.spawnObject(kKnife, {1, 0, 1}, {8, 0, 0}, false);
    const int32_t bottle = g.world.spawnObject(kBottleHeld, {0, 1, 1}, {0, 8, 0}, false);
    g.step(3);
    ASSERT_EQ(g.world.liveCameras().size(), 2u);
    g.world.entity(knife).velocity = {0, 0, 0};
    g.world.entity(bottle).velocity = {0, 1, 0};  // slower than 5: held
    g.step();  // the blade finds no blade in flight and ends; the bottle is held
    EXPECT_EQ(g.world.liveCameras().size(), 1u);
    g.step();  // the explosive's first linger pass
    EXPECT_TRUE(g.world.liveCameras().empty());

    g.world.weapon = kGun;
    g.world.aimedEntity = g.world.spawnTarget({5, 0, 1}, {}, false, true);
    g.world.shooting = true;
    g.step();
    g.world.shooting = false;
    g.step(357);
    ASSERT_TRUE(bulletCamera.lingering);
    ASSERT_TRUE(bulletCamActive);
    g.step();
    EXPECT_FALSE(bulletCamActive) << "ends in its first linger pass";
    EXPECT_EQ(g.world.timeScale, 1.0f);
}

// Whatever else happens, a shot camera ends in its kMaxShotCameraUpdates-th
// update and normal speed returns: here a LingerTime no counter reaches, and
// an arrow whose target is so far that it would travel for days.
TEST_F(Faults, ShotCameraLifeIsCapped) {
    settings("[Lingering]\nLingerTime=1e30\n");
    Game g;
    const Vector3 l = g.world.launchBonePosition();
    g.world.aimedEntity = g.world.spawnTarget({l.x + 10, l.y, l.z}, {}, false, true);
    g.world.weapon = kGun;
    g.world.shooting = true;
    g.step();
    g.world.weapon = kBow;
    g.world.aimedEntity = g.world.spawnTarget({l.x, l.y + 1e7f, l.z}, {}, false, true);
    g.step();
    g.world.shooting = false;
    g.step(kShotCameraBound - 3);  // pass kShotCameraBound - 1
    EXPECT_TRUE(bulletCamActive && arrowCamActive);
    g.step();
    EXPECT_FALSE(bulletCamActive) << "ended in its update " << kShotCameraBound;
    EXPECT_TRUE(arrowCamActive);
    g.step();
    EXPECT_FALSE(arrowCamActive);
    EXPECT_EQ(g.world.timeScale, 1.0f);
    EXPECT_TRUE(g.world.liveCameras().empty());
}
