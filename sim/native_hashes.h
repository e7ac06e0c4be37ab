// Hashes of the host natives the plug-in calls, as the simulated hosts answer them.
#pragma once

#include <cstdint>

namespace sim {

namespace hash {
constexpr uint64_t CreateCamera = 0xE72CDBA7F0A02DD6;
constexpr uint64_t ActivateCamera = 0x87295BCA613800C8;
constexpr uint64_t RenderSwitch = 0x33281167E4942E4F;
constexpr uint64_t SetCameraPosition = 0xF9EE7D419EE49DE6;
constexpr uint64_t PointCamera = 0x948B39341C3A40C2;
constexpr uint64_t NearClip = 0xA924028272A61364;
constexpr uint64_t FieldOfView = 0x27666E5988D9D429;
constexpr uint64_t DestroyCamera = 0x4E67E0B6D7FD5145;
constexpr uint64_t TimeScale = 0x9682AF6050854856;
constexpr uint64_t CameraPosition = 0x6B12F11C2A9F0344;
constexpr uint64_t EntityExists = 0xD42BD6EB2E0F1677;
constexpr uint64_t PlayerPed = 0x096275889B8E0EE0;
constexpr uint64_t EntityPosition = 0xA86D5F069399F44D;
constexpr uint64_t EntityModel = 0xDA76A9F39210D365;
constexpr uint64_t EntityVelocity = 0x4805D2B1D8CF94A9;
constexpr uint64_t Attachment = 0xEE6AD63ABF59C0B7;
constexpr uint64_t CurrentWeapon = 0x3A87E44BB9A01D54;
constexpr uint64_t ShootingTest = 0x34616828CD07F1A1;
constexpr uint64_t PedBonePosition = 0x17C07FC640E86B4E;
constexpr uint64_t ShotVeto = 0x6C4D0409BA1A2BC2;
constexpr uint64_t PlayerId = 0x217E9DC48139933D;
constexpr uint64_t TargetEntity = 0xA6817C110B830EAD;
constexpr uint64_t PositionOnlyTest = 0x7D5B1F88E7504BBA;
constexpr uint64_t BoneListTest = 0xB980061DA992779D;
constexpr uint64_t BoneIndex = 0x3F428D08BE5AAE31;
constexpr uint64_t BonePosition = 0x82CFA50E34681CA5;
}  // namespace hash

}  // namespace sim
