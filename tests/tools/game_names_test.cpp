// game/names.tsv: every recovered identifier is the one the game hashes to its
// row's hash, and every hash of the plug-in's tables has a row, so the tools
// never show a player a bare hash.
#include <gtest/gtest.h>

#include <cctype>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "cameras/blade_camera.h"
#include "cameras/explosive_camera.h"
#include "cameras/shot_dispatch.h"
#include "settings_report.h"

namespace {

// The game's one-at-a-time hash of the lower-cased identifier.
uint32_t gameHash(const std::string& identifier) {
    uint32_t h = 0;
    for (unsigned char c : identifier) {
        h += static_cast<uint32_t>(std::tolower(c));
        h += h << 10;
        h ^= h >> 6;
    }
    h += h << 3;
    h ^= h >> 11;
    h += h << 15;
    return h;
}

TEST(GameNames, RecoveredIdentifiersHashToTheirRows) {
    size_t recovered = 0;
    for (size_t k = 0; k < tools::kGameNameCount; ++k) {
        const tools::GameName& row = tools::kGameNames[k];
        if (std::string(row.identifier) == "?") continue;
        ++recovered;
        EXPECT_EQ(gameHash(row.identifier), row.hash) << row.identifier << " is not " << tools::nameWithHash(row.hash);
    }
    EXPECT_GT(recovered, 0u);
}

TEST(GameNames, EveryHashOfThePluginsTablesHasARow) {
    auto add = [](std::vector<uint32_t>& to, const auto& table) {
        to.insert(to.end(), std::begin(table), std::end(table));
    };
    std::vector<uint32_t> weapons = {kGatedBulletGun, kBow, kGatedBow}, models;
    add(weapons, kBulletGuns);
    add(models, kKnifeModels);
    add(models, kTomahawkModels);
    add(models, kDynamiteModels);
    add(models, kFireBottleModels);
    for (const auto& [hashes, kind] : {std::pair{weapons, "weapon"}, std::pair{models, "model"}})
        for (uint32_t hash : hashes) {
            const tools::GameName* row = tools::findGameName(hash);
            ASSERT_NE(row, nullptr) << tools::nameWithHash(hash) << " has no row in game/names.tsv";
            EXPECT_STREQ(row->kind, kind) << tools::nameWithHash(hash);
        }
    EXPECT_EQ(tools::nameWithHash(kGatedBulletGun), "Elephant rifle (0x99A23408)");
    EXPECT_EQ(tools::nameWithHash(0x12345678), "0x12345678");
}

}  // namespace
