#include "cameras/shot_dispatch.h"

#include "cameras/arrow_camera.h"
#include "cameras/bullet_camera.h"
#include "cameras/hash_set.h"
#include "host/native.h"

constexpr uint64_t kCurrentWeapon = 0x3A87E44BB9A01D54;
constexpr uint64_t kShootingTest = 0x34616828CD07F1A1;

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
