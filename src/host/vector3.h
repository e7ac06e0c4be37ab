// World-space vector as the host hands it over: three single-precision floats.
#pragma once

struct Vector3 {
    float x;
    float y;
    float z;
};
