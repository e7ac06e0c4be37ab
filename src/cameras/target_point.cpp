#include "cameras/target_point.h"

#include "cameras/rig.h"
#include "host/native.h"

constexpr uint64_t kPositionOnlyTest = 0x7D5B1F88E7504BBA;
constexpr uint64_t kBoneListTest = 0xB980061DA992779D;
constexpr uint64_t kBoneIndex = 0x3F428D08BE5AAE31;
constexpr uint64_t kBonePosition = 0x82CFA50E34681CA5;

constexpr int32_t kBoneListA[] = {21030, 14285, 14413, 14415, 14412, 14411, 6884, 65478, 43312, 55120};
constexpr int32_t kBoneListB[] = {14285, 38713, 19060, 29245, 38711, 47850, 50064, 53074};
constexpr int32_t kNoBone = -1;

template <size_t N>
static bool firstListedBone(Entity entity, const int32_t (&bones)[N], Vector3& position) {
    for (int32_t bone : bones) {
        const int32_t index = resultInt(invokeNative(kBoneIndex, argInt(entity), argInt(bone)));
        if (index != kNoBone) {
            position = resultVector3(invokeNative(kBonePosition, argInt(entity), argInt(index)));
            return true;
        }
    }
    return false;
}

Vector3 entityTargetPoint(Entity entity) {
    Vector3 point = entityPosition(entity);
    if (!entityExists(entity)) return point;
    if (resultBool(invokeNative(kPositionOnlyTest, argInt(entity)))) return point;
    if (resultBool(invokeNative(kBoneListTest, argInt(entity))))
        firstListedBone(entity, kBoneListA, point);
    else
        firstListedBone(entity, kBoneListB, point);
    return point;
}
