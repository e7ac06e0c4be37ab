#include "settings_report.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "cameras/arrow_camera.h"
#include "cameras/bullet_camera.h"
#include "cameras/explosive_camera.h"
#include "cameras/hash_set.h"
#include "cameras/shot_dispatch.h"
#include "cameras/thrown.h"
#include "float_text.h"
#include "game_speed.h"
#include "settings/catalogue.h"

namespace tools {

namespace {

constexpr double kFramesPerSecond = 60.0;

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

// ---- The table, in words ------------------------------------------------------------
std::string number(double v) { return sim::floatText(static_cast<float>(v)); }

std::string seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, s < 10 ? "%.2f s" : "%.1f s", s);
    return text;
}

// The time scale as the file sets it, and what the game makes of one it does
// not take as it is.
std::string speedText(float v) {
    const std::string asked = "x" + number(v);
    if (v > 1) return asked + " (the game runs at normal speed)";
    if (!(v > 0)) return asked + " (the game runs at its slowest)";
    return asked;
}

std::string holdText(int frames, const std::string& where) {
    if (frames == 0) return "ends at once";
    return "holds its last view " + where + "for " + framesInWords(frames);
}

std::string capitalised(std::string text) {
    if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

// A weapon no switch concerns, by its name alone.
std::string playerName(uint32_t hash) {
    const GameName* row = findGameName(hash);
    return row ? std::string(row->name) : nameWithHash(hash);
}

// What one switch lets start: `what`, or that it does not and which line says so.
std::string startedBy(const IniReport& r, const std::string& what, bool CameraSwitches::*on) {
    for (const EffectiveSetting& s : r.settings)
        if (s.setting->on == on && !(r.loaded.switches.*on))
            return "not " + what + " (" + s.setting->key + " is false, line " + std::to_string(s.line) + ")";
    return what;
}

}  // namespace

Meaning meaningOf() {
    Meaning m;
    // The thrown modes end once their timer has reached LingerTime, in the
    // frame after their last hold.
    float timer = 0.0f;
    while (timer < LingerTime && m.thrownHold < kShotCameraFrames) {
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
    if (frames >= kShotCameraFrames) return "ten minutes or more";
    char text[48];
    std::snprintf(text, sizeof text, "%d frame%s (%.2f s)", frames, frames == 1 ? "" : "s", frames / kFramesPerSecond);
    return text;
}

uint32_t fireBottle(bool slowing) {
    for (uint32_t model : kFireBottleModels)
        if (inSet(kAnySpeedModels, model) != slowing) return model;
    return 0;
}

MeaningTable meaningTable(const IniReport& r, const Meaning& m) {
    MeaningTable t;
    t.rows.push_back({"Knife, tomahawk",
                      startedBy(r, "knives", &CameraSwitches::EnableKnifeCamera) + ", " +
                          startedBy(r, "tomahawks", &CameraSwitches::EnableTomahawkCamera),
                      "the blade while it flies", holdText(m.thrownHold, ""), "normal"});
    t.rows.push_back({"Dynamite, " + nameWithHash(fireBottle(false)),
                      startedBy(r, "dynamite", &CameraSwitches::EnableDynamiteCamera) + ", " +
                          startedBy(r, "this fire bottle", &CameraSwitches::EnableFireBottleCamera),
                      "the object until it is gone or picked up, also lying still", "ends at once", "normal"});
    t.rows.push_back({capitalised(nameWithHash(fireBottle(true))),
                      startedBy(r, "this fire bottle", &CameraSwitches::EnableFireBottleCamera),
                      "the bottle while it flies at " + number(kExplosiveHoldSpeed) + " m/s or more",
                      holdText(m.thrownHold, ""), "normal"});
    const float off = CameraOffsetBack;
    const std::string above = number(kShotLingerHeight) + " m above it ";
    const std::string behind = !std::isfinite(off) ? "at no real position "
                               : off < 0 ? number(-off) + " m beyond the target (looking back) and " + above
                                         : number(off) + " m behind the target and " + above;
    std::string bulletThen = holdText(m.bulletHold, behind);
    if (m.bulletGivesUp) bulletThen += "; gives up after ten minutes in all";
    std::string guns;
    for (uint32_t gun : kBulletGuns) guns += playerName(gun) + ", ";
    t.rows.push_back(
        {"Bullet", guns + startedBy(r, nameWithHash(kGatedBulletGun), &CameraSwitches::EnableBulletLineCamera),
         m.bulletTravel == 1 ? std::string("does not fly: jumps to the end of the shot at once")
                             : "along the shot for " + framesInWords(m.bulletTravel) + ", whatever the distance",
         bulletThen,
         speedText(slowMotionFactor) + " while it flies (the game moves " +
             seconds(m.bulletTravel / kFramesPerSecond * sim::gameSpeed(slowMotionFactor)) + "), " +
             speedText(BulletLingerSpeed) + " while it holds"});
    t.rows.push_back({"Arrow", playerName(kBow) + ", " + startedBy(r, nameWithHash(kGatedBow), &CameraSwitches::EnableArrowCamera),
                      number(kArrowTravelStep) + " m a frame (" + number(kArrowTravelStep * kFramesPerSecond) +
                          " m/s): a 30 m shot takes " + framesInWords(m.arrowTravel30),
                      holdText(m.arrowHold, behind) + " (fixed: " + settingOf(LingerTime).key + " does not apply)",
                      speedText(BowCamSpeed) + " while it flies, " + speedText(BowLingerSpeed) + " while it holds"});

    const std::string share = number(kBulletPullBackShare * 100) + " %";
    std::string& end = t.bulletEnd;
    end = "The bullet camera ";
    char reach[32];
    std::snprintf(reach, sizeof reach, "%.0f", off / kBulletPullBackShare);
    if (std::isnan(off))
        end += "has no real end point";
    else if (off < 0)
        end += "flies " + number(-off) + " m past the target";
    else if (off == 0)
        end += "flies right up to the target";
    else if (std::isinf(off))
        end += "stops " + share + " of the distance short of the target, however far it is";
    else
        end += "stops " + share + " of the distance short of the target, at most " + number(off) + " m (from " +
               reach + " m on)";
    end += ". Frames are the game's frames, counted at 60 a second; every count runs one step a frame, "
           "whatever the game's time scale.";
    return t;
}

}  // namespace tools
