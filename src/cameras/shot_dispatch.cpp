#include "cameras/shot_dispatch.h"

#include "cameras/arrow_camera.h"
#include "cameras/bullet_camera.h"
#include "cameras/hash_set.h"
#include "host/native.h"

constexpr uint64_t kCurrentWeapon = 0x3A87E44BB9A01D54;
constexpr uint64_t kShootingTest = 0x34616828CD07F1A1;

// Guns that always start the bullet camera; 0x99A23408 only when switched on.
constexpr uint32_t kBulletGuns[] = {0x4E328256, 0x53944780, 0x63F46DE6, 0x772C8DD6, 0xDDF7BC1E, 0xE1D2B317};
constexpr uint32_t kGatedBulletGun = 0x99A23408;
// The bow that always starts the arrow camera; 0x06E0F12B only when switched on.
constexpr uint32_t kBow = 0x88A8505C;
constexpr uint32_t kGatedBow = 0x06E0F12B;

static bool isShooting(Entity ped) { return resultBool(invokeNative(kShootingTest, argInt(ped))); }

void dispatchShot(const CameraSwitches& switches) {
    const Entity ped = playerPed();
    uint32_t weapon = 0;  // the host writes exactly 32 bits here
    const bool hasWeapon =
        resultBool(invokeNative(kCurrentWeapon, argInt(ped), argPointer(&weapon), argInt(1), argInt(0), argInt(1)));
    if (hasWeapon) {
        if (inSet(kBulletGuns, weapon) || (weapon == kGatedBulletGun && switches.EnableBulletLineCamera)) {
            if (isShooting(ped) && !bulletCamActive) startBulletCamera(ped);
        } else if (weapon == kBow || (weapon == kGatedBow && switches.EnableArrowCamera)) {
            if (isShooting(ped) && !arrowCamActive) startArrowCamera(ped);
        }
    }
    if (bulletCamActive) updateBulletCamera();
    if (arrowCamActive) updateArrowCamera();
}
