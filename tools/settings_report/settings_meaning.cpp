#include "settings_meaning.h"

#include <cstdio>

#include "cameras/arrow_camera.h"
#include "cameras/bullet_camera.h"
#include "cameras/explosive_camera.h"
#include "cameras/thrown.h"
#include "settings/catalogue.h"
#include "cameras/hash_set.h"

namespace tools {

namespace {

// Frames until a travel that adds `step` to its progress each frame arrives,
// by the shot cameras' own step.
int travelFrames(float step) {
    ShotCameraState shot;
    for (int frames = 1;; ++frames) {
        advanceTravel(shot, step);
        if (!(shot.travelProgress < 1.0f) || frames >= kShotCameraFrames) return frames;
    }
}

// Frames of a hold whose counter grows by `step` from 0 and ends the camera in
// the first frame in which it is greater than `limit`; that frame included.
int holdFrames(float step, float limit, int most) {
    float counter = 0.0f;
    for (int frames = 1;; ++frames) {
        counter += step;
        if (!(counter <= limit) || frames >= most) return frames;
    }
}

}  // namespace

Meaning meaningOf() {
    Meaning m;
    // The thrown modes end once their timer has reached LingerTime, in the
    // frame after their last hold.
    float timer = 0.0f;
    while (timer < LingerTime && m.thrownHold < kCountLimit) {
        timer += kPassStep;
        ++m.thrownHold;
    }
    m.bulletTravel = travelFrames((BulletCamSpeed * kBulletPassStep) * slowMotionFactor);
    if (m.bulletTravel < kShotCameraFrames)
        m.bulletHold = holdFrames(kBulletLingerStep, LingerTime, kShotCameraFrames - m.bulletTravel);
    m.bulletGivesUp = m.bulletTravel + m.bulletHold >= kShotCameraFrames;
    m.arrowTravel30 = travelFrames(kArrowTravelStep / 30.0f);
    m.arrowHold = holdFrames(kArrowLingerStep, kArrowLingerLimit, kShotCameraFrames);
    return m;
}

std::string framesInWords(int frames) {
    if (frames >= kCountLimit) return "ten minutes or more";
    char text[48];
    std::snprintf(text, sizeof text, "%d frame%s (%.2f s)", frames, frames == 1 ? "" : "s",
                  frames / kFramesPerSecond);
    return text;
}

uint32_t fireBottle(bool slowing) {
    for (uint32_t model : kFireBottleModels)
        if (inSet(kAnySpeedModels, model) != slowing) return model;
    return 0;
}

}  // namespace tools
