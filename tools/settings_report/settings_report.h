// The settings report: what the plug-in makes of a settings file, line by
// line (ini-check), what its numbers mean to a player, the names the tools
// show, and the pages they write with it. The record is made from the
// plug-in's own settings code: its load gives the values and the printed
// lines, its reads say which line decides each setting, and its classification
// of a line (and of a key binding) decides each line's fate. ini-check adds
// words and warnings, nothing it could get wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "cameras/shot_camera.h"
#include "settings/catalogue.h"

namespace tools {

struct LineFate {
    int number = 0;
    std::string text;                // the line as read (line feed removed)
    std::vector<std::string> notes;  // what happens to it; several when it is also a key binding
};

struct EffectiveSetting {
    const Setting* setting = nullptr;
    std::string value;           // as the plug-in holds it: "78 (N)", "true", "2.5"
    int line = 0;                // the line that decides it; 0: none
    bool isDefault = true;       // no usable line: the default applies
    bool sameAsDefault = false;  // set by a line, to the default value
};

struct Finding {
    int line = 0;  // 0: the file as a whole
    std::string text;
};

struct IniReport {
    std::string path;
    bool readable = false;
    std::vector<LineFate> lines;
    std::vector<EffectiveSetting> settings;  // row by row of kSettings
    std::vector<std::string> printed;        // the exact lines the plug-in prints at every start
    std::vector<Finding> warnings;
    StartupSettings loaded;                  // the toggle key and the switches as the plug-in read them
};

// Each loads the file into the plug-in's own settings, as a fresh start of
// the plug-in would: its number variables then hold the file's numbers.
IniReport analyseIni(const std::string& path);
// The same for a file's content already read (null: it could not be read);
// `path` only names it.
IniReport analyseIniText(const std::string& path, const std::string* file);
void printIniReport(const IniReport& report, std::ostream& out);
// 0 clean, 1 with warnings, 2 when the file cannot be read.
int iniCheckStatus(const IniReport& report);

// Bytes as the tools show them: a tab as \t, every other control byte as
// \xNN, and bytes from 0x80 as they are when the text is UTF-8, else as \xNN.
std::string shownText(std::string_view bytes);
// Bit for bit: a NaN's payload counts, and -0 is not 0.
bool sameBits(float a, float b);

// ---- What the numbers mean (meaning.cpp) ---------------------------------------------------
// How many frames each camera travels and holds its view, counted the way the
// plug-in counts them (single-precision counters, one step per frame), and
// the table of it, in words, that veltrix-check's page and the tuner show.

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

MeaningTable meaningTable(const IniReport& report, const Meaning& meaning);

// ---- Names (game_names.cpp) -----------------------------------------------------------------
// What the game and its players call the weapons and models that the plug-in
// knows only by hash, and the keys it knows only by code. The rows come from
// game/names.tsv, turned into C++ at build time (cmake/game_names.cmake). For
// the tools: the plug-in never shows a name.
struct GameName {
    uint32_t hash;
    const char* kind;        // "weapon" or "model"
    const char* identifier;  // the game's own, which it hashes; "?" when not recovered
    const char* name;        // what a player calls it
};

extern const GameName kGameNames[];
extern const size_t kGameNameCount;

// The row of `hash`, or nullptr.
const GameName* findGameName(uint32_t hash);

// A hash as the tools and scenario files write it: "0x99A23408".
std::string hashText(uint32_t hash);
// How the tools write a weapon or model: the name a player knows, with the
// hash a modder may need, "Elephant rifle (0x99A23408)"; the hash alone when
// the file has no row for it.
std::string nameWithHash(uint32_t hash);

// The weapons and thrown models of the plug-in's tables, as the tools show
// and stage them: each with its kind and the switch that lets it start a camera.
struct Weapon {
    uint32_t hash;
    const char* kind;     // "gun", "bow", "knife", "tomahawk", "dynamite", "fire bottle"
    const Setting* gate;  // the switch it needs; null: none
};

// In the order of the plug-in's tables: the guns, the bows, then the thrown models.
const std::vector<Weapon>& pluginWeapons();

// The tools' one table of keys. Short name of a Windows virtual-key code ("N",
// "F5", "SPACE", "left mouse button"); empty when no key has that code.
std::string keyName(int code);
// The value a settings file gives for the code: a letter, F1 to F24, one of
// the plug-in's named keys, else the code in hexadecimal.
std::string keyText(int32_t code);

// ---- The pages (page_data.cpp) ------------------------------------------------------------
// The tools draw nothing themselves: every page they write is the tuner page
// (Veltrix-tuner.html, built from web/) with the data of a run or a check in
// its data slot, which the page reads and draws.

// JSON as the pages read it. Text from a settings file may be any bytes: what
// is not UTF-8 becomes a replacement character rather than losing the answer.
std::string jsonText(const nlohmann::json& value);

// Where a tool looks for the tuner page: `given` alone when not empty; else
// Veltrix-tuner.html in the tool's own folder (when that is given), then the
// page this build made (none in a release binary, which carries no build path).
std::vector<std::filesystem::path> tunerPageCandidates(const std::string& given,
                                                       const std::filesystem::path& programDirectory);

// `page` with `data` in its slot. Throws std::runtime_error when the page has
// no slot (not a tuner page).
std::string pageWithData(const std::string& page, const nlohmann::json& data);
// Writes `to`: the first of `candidates` that is a file, a tuner page, with
// `data` in its slot; false when none is a file. Throws std::runtime_error
// when that page cannot be read or has no slot, or `to` cannot be written.
bool writeTunerPage(const std::vector<std::filesystem::path>& candidates, const std::filesystem::path& to,
                    const nlohmann::json& data);

// A file opened to read its bytes with readOpenFile, by a path of any letters
// (Windows' narrow fopen cannot spell every name); null when it cannot be.
std::FILE* openForReading(const std::filesystem::path& path);
// Throws std::runtime_error when `path` cannot be written.
void writeBytes(const std::filesystem::path& path, const std::string& bytes);

}  // namespace tools
