// The point on an entity that the shot cameras aim at.
#pragma once

#include "cameras/rig.h"

// A listed bone if the entity has one, else its own position.
Vector3 entityTargetPoint(Entity entity);
