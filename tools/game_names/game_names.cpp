#include "game_names.h"

#include <cstdio>

#include "cameras/blade_camera.h"
#include "cameras/explosive_camera.h"
#include "cameras/shot_dispatch.h"

namespace tools {

const GameName* findGameName(uint32_t hash) {
    for (size_t k = 0; k < kGameNameCount; ++k)
        if (kGameNames[k].hash == hash) return &kGameNames[k];
    return nullptr;
}

std::string hashText(uint32_t hash) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hash));
    return text;
}

std::string nameWithHash(uint32_t hash) {
    const GameName* row = findGameName(hash);
    return row ? std::string(row->name) + " (" + hashText(hash) + ")" : hashText(hash);
}

const std::vector<Weapon>& pluginWeapons() {
    static const std::vector<Weapon> list = [] {
        std::vector<Weapon> w;
        auto add = [&w](uint32_t hash, const char* kind, const Setting* gate) { w.push_back({hash, kind, gate}); };
        for (uint32_t h : kBulletGuns) add(h, "gun", nullptr);
        add(kGatedBulletGun, "gun", &settingOf(&CameraSwitches::EnableBulletLineCamera));
        add(kBow, "bow", nullptr);
        add(kGatedBow, "bow", &settingOf(&CameraSwitches::EnableArrowCamera));
        for (uint32_t h : kKnifeModels) add(h, "knife", &settingOf(&CameraSwitches::EnableKnifeCamera));
        for (uint32_t h : kTomahawkModels) add(h, "tomahawk", &settingOf(&CameraSwitches::EnableTomahawkCamera));
        for (uint32_t h : kDynamiteModels) add(h, "dynamite", &settingOf(&CameraSwitches::EnableDynamiteCamera));
        for (uint32_t h : kFireBottleModels) add(h, "fire bottle", &settingOf(&CameraSwitches::EnableFireBottleCamera));
        return w;
    }();
    return list;
}

const Weapon* findWeapon(uint32_t hash) {
    for (const Weapon& w : pluginWeapons())
        if (w.hash == hash) return &w;
    return nullptr;
}

}  // namespace tools
