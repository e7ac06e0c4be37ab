// What a file's settings mean in the game, as plain text rows: the table that
// veltrix-check's page and the tuner show, written once.
#pragma once

#include <string>
#include <vector>

#include "ini_check.h"
#include "settings_meaning.h"

namespace tools {

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
