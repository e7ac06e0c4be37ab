#include "scenario.h"

#include <stdexcept>
#include <string>

#include "cameras/arrow_camera.h"
#include "cameras/blade_camera.h"
#include "cameras/bullet_camera.h"
#include "cameras/explosive_camera.h"
#include "cameras/hash_set.h"
#include "cameras/shot_dispatch.h"
#include "settings/catalogue.h"

namespace bench {
namespace {

constexpr int32_t kPlayer = 1;
constexpr int32_t kTarget = 2;
constexpr int32_t kKnife = 3;
constexpr int32_t kDynamite = 4;
constexpr int32_t kFirstFiller = 16;

constexpr uint32_t kPedModel = 0x0B0B0B0B;
constexpr uint32_t kKnifeModel = kKnifeModels[0];
constexpr uint32_t kDynamiteModel = kDynamiteModels[0];
constexpr uint32_t kGun = kBulletGuns[0];

// Every coordinate is nonzero, so that the smoothed camera values settle on
// a normal float and never slide into subnormals.
constexpr Vector3 kPlayerPosition = {10.5f, 20.25f, 3.0f};

Vector3 offset(Vector3 base, float x, float y, float z) { return {base.x + x, base.y + y, base.z + z}; }

bool isProjectileModel(uint32_t model) {
    return inSet(kKnifeModels, model) || inSet(kTomahawkModels, model) || inSet(kDynamiteModels, model) ||
           inSet(kFireBottleModels, model);
}

void buildWorld() {
    fast::resetWorld();
    fast::World& w = fast::world();

    fast::Entity& player = w.entities[kPlayer];
    player.exists = true;
    player.model = kPedModel;
    player.position = kPlayerPosition;
    w.playerPed = kPlayer;
    w.launchBone = offset(kPlayerPosition, 0.1f, 0.2f, 1.5f);

    // A character with bone list A whose first listed bone it has is the
    // third of the list: three bone-index queries per target point.
    fast::Entity& target = w.entities[kTarget];
    target.exists = true;
    target.model = kPedModel;
    target.boneListA = true;
    target.position = offset(kPlayerPosition, 24.5f, 9.75f, 0.5f);
    target.boneSet = 0;
    w.boneSets[0].count = 1;
    w.boneSets[0].bones[0] = {14413, offset(target.position, 0.05f, 0.02f, 0.6f)};

    // The projectiles keep flying near the player: the fast host has no physics.
    fast::Entity& knife = w.entities[kKnife];
    knife.exists = true;
    knife.model = kKnifeModel;
    knife.position = offset(kPlayerPosition, 1.25f, 0.75f, 1.0f);
    knife.velocity = {6.5f, 4.25f, 1.5f};

    fast::Entity& dynamite = w.entities[kDynamite];
    dynamite.exists = true;
    dynamite.model = kDynamiteModel;
    dynamite.position = offset(kPlayerPosition, -1.5f, 1.25f, 0.75f);
    dynamite.velocity = {-3.25f, 2.5f, 2.0f};

    // Objects of no interest to any mode, of assorted models.
    uint32_t seed = 0x9E3779B9u;
    for (int32_t i = 0; i < fast::kSnapshotCapacity; ++i) {
        fast::Entity& e = w.entities[kFirstFiller + i];
        e.exists = true;
        do {
            seed = seed * 1664525u + 1013904223u;
        } while (isProjectileModel(seed));
        e.model = seed;
        e.position = offset(kPlayerPosition, static_cast<float>(i % 37) - 18.5f, static_cast<float>(i % 23) + 0.5f,
                            1.25f);
    }
}

// `objects` fillers with the state's projectiles in the last places.
void setSnapshot(int32_t objects, bool knife, bool dynamite) {
    fast::World& w = fast::world();
    w.snapshotCount = objects;
    for (int32_t i = 0; i < objects; ++i) w.snapshot[i] = kFirstFiller + i;
    int32_t slot = objects;
    if (dynamite && slot > 0) w.snapshot[--slot] = kDynamite;
    if (knife && slot > 0) w.snapshot[--slot] = kKnife;
}

// Room for the projectiles while the cameras are being started, whatever the
// size of the state's own snapshot.
void setWarmUpSnapshot(int32_t objects, bool knife, bool dynamite) {
    const int32_t needed = (knife ? 1 : 0) + (dynamite ? 1 : 0);
    setSnapshot(objects < needed ? needed : objects, knife, dynamite);
}


}  // namespace

Scenario::Scenario(State state, int32_t objects) : state_(state), script_(std::make_unique<ScriptState>()) {
    resetModuleState();
    buildWorld();
    // Lingering shot and thrown cameras hold rather than end, and the bullet
    // arrives within a few passes instead of 358.
    LingerTime = 1e9f;
    BulletCamSpeed = 125.0f;

    const bool blade = hasBlade(state);
    const bool explosive = hasExplosive(state);
    setWarmUpSnapshot(objects, blade, explosive);
    fast::World& w = fast::world();
    if (hasShots(state)) {
        w.weaponAnswer = true;
        w.aimedEntity = kTarget;
        w.shooting = true;
        w.weapon = kGun;
        pass();
        w.weapon = kBow;  // held, and still shooting, from here on
        pass();
        for (int i = 0; i < 200 && !(bulletCamera.lingering && arrowCamera.lingering); ++i) pass();
    } else {
        pass();
        pass();
    }
    setSnapshot(objects, blade, explosive);
    pass();
    pass();
    if (!inState()) throw std::runtime_error(std::string(stateName(state)) + ": cameras not in their steady phase");
    takeCheckpoint();

    // The state must repeat: the same natives in the same order, pass after pass.
    fast::Trace first;
    fast::Trace later;
    recordPass(first);
    restore();
    for (int i = 0; i < kBatch - 1; ++i) pass();
    fast::startRecording(&later);
    pass();
    fast::stopRecording();
    if (first.hashes != later.hashes || first.argumentCounts != later.argumentCounts || !inState())
        throw std::runtime_error(std::string(stateName(state)) + ": passes differ within a batch");
    restore();
}

bool Scenario::inState() const {
    const ScriptState& s = *script_;
    const bool blade = s.blade.active;
    const bool explosive = s.explosive.tracked != 0;
    const bool shots = bulletCamActive && bulletCamera.lingering && arrowCamActive && arrowCamera.lingering;
    return blade == hasBlade(state_) && explosive == hasExplosive(state_) && (shots == hasShots(state_)) &&
           (hasShots(state_) || (!bulletCamActive && !arrowCamActive));
}

void Scenario::takeCheckpoint() {
    const fast::World& w = fast::world();
    checkpoint_.blade = script_->blade;
    checkpoint_.explosive = script_->explosive;
    checkpoint_.bulletActive = bulletCamActive;
    checkpoint_.bullet = bulletCamera;
    checkpoint_.arrowActive = arrowCamActive;
    checkpoint_.arrow = arrowCamera;
    for (int i = 0; i < fast::kCameraSlots; ++i) checkpoint_.cameraPositions[i] = w.cameraPositions[i];
    checkpoint_.nextCamera = w.nextCamera;
}

void Scenario::restore() {
    fast::World& w = fast::world();
    script_->blade = checkpoint_.blade;
    script_->explosive = checkpoint_.explosive;
    bulletCamActive = checkpoint_.bulletActive;
    bulletCamera = checkpoint_.bullet;
    arrowCamActive = checkpoint_.arrowActive;
    arrowCamera = checkpoint_.arrow;
    for (int i = 0; i < fast::kCameraSlots; ++i) w.cameraPositions[i] = checkpoint_.cameraPositions[i];
    w.nextCamera = checkpoint_.nextCamera;
}

void Scenario::recordPass(fast::Trace& trace) {
    restore();
    trace.clear();
    fast::startRecording(&trace);
    pass();
    fast::stopRecording();
}

}  // namespace bench
