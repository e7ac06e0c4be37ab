// What the numbers of a settings file mean to a player: how many frames each
// camera travels and holds its view, counted the way the plug-in counts them
// (single-precision counters, one step per frame), and the table of it, in
// words, that veltrix-check's page and the tuner show. ini-check's warnings
// are built on these.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cameras/shot_camera.h"

namespace tools {

// A shot camera ends after this many frames whatever the settings (ten
// minutes); counts stop there too: "ten minutes or more".
constexpr int kShotCameraFrames = kMaxShotCameraUpdates;

struct Meaning {
    // Knife, tomahawk and slowing fire bottle: frames of holding the last view
    // once nothing flies (the camera ends in the frame after).
    int thrownHold = 0;
    // Bullet camera: frames of travel along the shot (1: it jumps to the end at
    // once), then frames of holding behind the target; together at most
    // kShotCameraFrames.
    int bulletTravel = 0;
    int bulletHold = 0;
    bool bulletGivesUp = false;  // the ten-minute limit ends it
    // Arrow camera: frames of travel for a 30 m shot (0.8 m a frame), frames
    // of holding (fixed).
    int arrowTravel30 = 0;
    int arrowHold = 0;
};

// Of the numbers the plug-in holds now: after a load of a file (ini-check's
// analysis makes one), that file's.
Meaning meaningOf();

// The model hash of the fire bottle that the explosive camera follows only
// while it flies fast and then holds (`slowing`), or of the one it follows at
// any speed: what the texts name.
uint32_t fireBottle(bool slowing);

// "157 frames (2.6 s)", "ten minutes or more".
std::string framesInWords(int frames);

// ---- The table, in words -----------------------------------------------------------------
struct IniReport;

struct MeaningRow {
    std::string camera;     // "Knife, tomahawk"
    std::string startedBy;  // which throws and weapons start it; a switched-off one named with its line
    std::string follows;    // what it follows and for how long
    std::string then;       // how long it holds its view afterwards
    std::string speed;      // the game's time scale meanwhile
};

struct MeaningTable {
    std::vector<MeaningRow> rows;
    std::string bulletEnd;  // a sentence: where the bullet camera stops, and how frames are counted
};

// `knifeFollowed`: frames the knife scenario's camera follows its blade with
// these settings, if it was played (negative: not played).
MeaningTable meaningTable(const IniReport& report, const Meaning& meaning, int knifeFollowed);

}  // namespace tools
