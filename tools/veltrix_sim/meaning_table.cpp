#include "meaning_table.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "cameras/shot_dispatch.h"
#include "game_names.h"
#include "game_speed.h"

namespace tools {

namespace {

std::string seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, s < 10 ? "%.2f s" : "%.1f s", s);
    return text;
}

std::string number(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
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
std::string startedBy(const IniReport& r, const std::string& what, const char* key) {
    for (const EffectiveSetting& s : r.settings)
        if (s.key == key && s.value == "false")
            return "not " + what + " (" + key + " is false, line " + std::to_string(s.line) + ")";
    return what;
}

}  // namespace

MeaningTable meaningTable(const IniReport& r, const Meaning& m, int knifeFollowed) {
    const Numbers& n = r.numbers;
    MeaningTable t;
    t.rows.push_back({"Knife, tomahawk",
                      startedBy(r, "knives", "EnableKnifeCamera") + ", " +
                          startedBy(r, "tomahawks", "EnableTomahawkCamera"),
                      "the blade while it flies" + (knifeFollowed > 0 ? " (in the knife scenario: " +
                                                                            framesInWords(knifeFollowed) + ")"
                                                                      : std::string()),
                      holdText(m.thrownHold, ""), "normal"});
    t.rows.push_back({"Dynamite, " + nameWithHash(fireBottle(false)),
                      startedBy(r, "dynamite", "EnableDynamiteCamera") + ", " +
                          startedBy(r, "this fire bottle", "EnableFireBottleCamera"),
                      "the object until it is gone or picked up, also lying still", "ends at once", "normal"});
    t.rows.push_back({capitalised(nameWithHash(fireBottle(true))),
                      startedBy(r, "this fire bottle", "EnableFireBottleCamera"),
                      "the bottle while it flies at 5 m/s or more", holdText(m.thrownHold, ""), "normal"});
    const float off = n.CameraOffsetBack;
    const std::string behind = !std::isfinite(off) ? "at no real position "
                               : off < 0 ? number(-off) + " m beyond the target (looking back) and 0.3 m above it "
                                         : number(off) + " m behind the target and 0.3 m above it ";
    std::string bulletThen = holdText(m.bulletHold, behind);
    if (m.bulletGivesUp) bulletThen += "; gives up after ten minutes in all";
    std::string guns;
    for (uint32_t gun : kBulletGuns) guns += playerName(gun) + ", ";
    t.rows.push_back(
        {"Bullet", guns + startedBy(r, nameWithHash(kGatedBulletGun), "EnableBulletLineCamera"),
         m.bulletTravel == 1 ? std::string("does not fly: jumps to the end of the shot at once")
                             : "along the shot for " + framesInWords(m.bulletTravel) + ", whatever the distance",
         bulletThen,
         speedText(n.slowMotionFactor) + " while it flies (the game moves " +
             seconds(m.bulletTravel / kFramesPerSecond * sim::gameSpeed(n.slowMotionFactor)) + "), " +
             speedText(n.BulletLingerSpeed) + " while it holds"});
    t.rows.push_back({"Arrow", playerName(kBow) + ", " + startedBy(r, nameWithHash(kGatedBow), "EnableArrowCamera"),
                      "0.8 m a frame (48 m/s): a 30 m shot takes " + framesInWords(m.arrowTravel30),
                      holdText(m.arrowHold, behind) + " (fixed: LingerTime does not apply)",
                      speedText(n.BowCamSpeed) + " while it flies, " + speedText(n.BowLingerSpeed) +
                          " while it holds"});

    std::string& end = t.bulletEnd;
    end = "The bullet camera ";
    char reach[32];
    std::snprintf(reach, sizeof reach, "%.0f", off / 0.03);
    if (std::isnan(off))
        end += "has no real end point";
    else if (off < 0)
        end += "flies " + number(-off) + " m past the target";
    else if (off == 0)
        end += "flies right up to the target";
    else if (std::isinf(off))
        end += "stops 3 % of the distance short of the target, however far it is";
    else
        end += "stops 3 % of the distance short of the target, at most " + number(off) + " m (from " + reach +
               " m on)";
    end += ". Frames are the game's frames, counted at 60 a second; every count runs one step a frame, "
           "whatever the game's time scale.";
    return t;
}

}  // namespace tools
