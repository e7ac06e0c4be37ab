#include "settings_report.h"

#include <cstdio>
#include <map>

#include "cameras/blade_camera.h"
#include "cameras/explosive_camera.h"
#include "cameras/shot_dispatch.h"
#include "settings/key_bindings.h"

namespace tools {

const GameName* findGameName(uint32_t hash) {
    for (size_t k = 0; k < kGameNameCount; ++k)
        if (kGameNames[k].hash == hash) return &kGameNames[k];
    return nullptr;
}

std::string hashText(uint32_t hash) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hash));
    return text;
}

std::string nameWithHash(uint32_t hash) {
    const GameName* row = findGameName(hash);
    return row ? std::string(row->name) + " (" + hashText(hash) + ")" : hashText(hash);
}

const std::vector<Weapon>& pluginWeapons() {
    static const std::vector<Weapon> list = [] {
        std::vector<Weapon> w;
        auto add = [&w](uint32_t hash, const char* kind, const Setting* gate) { w.push_back({hash, kind, gate}); };
        for (uint32_t h : kBulletGuns) add(h, "gun", nullptr);
        add(kGatedBulletGun, "gun", &settingOf(&CameraSwitches::EnableBulletLineCamera));
        add(kBow, "bow", nullptr);
        add(kGatedBow, "bow", &settingOf(&CameraSwitches::EnableArrowCamera));
        for (uint32_t h : kKnifeModels) add(h, "knife", &settingOf(&CameraSwitches::EnableKnifeCamera));
        for (uint32_t h : kTomahawkModels) add(h, "tomahawk", &settingOf(&CameraSwitches::EnableTomahawkCamera));
        for (uint32_t h : kDynamiteModels) add(h, "dynamite", &settingOf(&CameraSwitches::EnableDynamiteCamera));
        for (uint32_t h : kFireBottleModels) add(h, "fire bottle", &settingOf(&CameraSwitches::EnableFireBottleCamera));
        return w;
    }();
    return list;
}

// ---- Keys ----------------------------------------------------------------------------------
std::string keyName(int code) {
    static const std::map<int, const char*> kNames = {
        {0x01, "left mouse button"}, {0x02, "right mouse button"}, {0x03, "CTRL+BREAK"}, {0x04, "middle mouse button"},
        {0x05, "mouse button X1"},   {0x06, "mouse button X2"},    {0x08, "BACKSPACE"},  {0x09, "TAB"},
        {0x0C, "CLEAR"},             {0x0D, "ENTER"},              {0x10, "SHIFT"},      {0x11, "CTRL"},
        {0x12, "ALT"},               {0x13, "PAUSE"},              {0x14, "CAPS LOCK"},  {0x15, "IME KANA"},
        {0x17, "IME JUNJA"},         {0x18, "IME FINAL"},          {0x19, "IME KANJI"},  {0x1B, "ESC"},
        {0x1C, "IME CONVERT"},       {0x1D, "IME NONCONVERT"},     {0x1E, "IME ACCEPT"}, {0x1F, "IME MODE"},
        {0x20, "SPACE"},             {0x21, "PAGE UP"},            {0x22, "PAGE DOWN"},  {0x23, "END"},
        {0x24, "HOME"},              {0x25, "LEFT"},               {0x26, "UP"},         {0x27, "RIGHT"},
        {0x28, "DOWN"},              {0x29, "SELECT"},             {0x2A, "PRINT"},      {0x2B, "EXECUTE"},
        {0x2C, "PRINT SCREEN"},      {0x2D, "INSERT"},             {0x2E, "DELETE"},     {0x2F, "HELP"},
        {0x5B, "LEFT WINDOWS"},      {0x5C, "RIGHT WINDOWS"},      {0x5D, "APPS"},       {0x5F, "SLEEP"},
        {0x6A, "keypad *"},          {0x6B, "keypad +"},           {0x6C, "keypad SEPARATOR"}, {0x6D, "keypad -"},
        {0x6E, "keypad ."},          {0x6F, "keypad /"},           {0x90, "NUM LOCK"},   {0x91, "SCROLL LOCK"},
        {0xA0, "LEFT SHIFT"},        {0xA1, "RIGHT SHIFT"},        {0xA2, "LEFT CTRL"},  {0xA3, "RIGHT CTRL"},
        {0xA4, "LEFT ALT"},          {0xA5, "RIGHT ALT"},          {0xA6, "BROWSER BACK"}, {0xA7, "BROWSER FORWARD"},
        {0xA8, "BROWSER REFRESH"},   {0xA9, "BROWSER STOP"},       {0xAA, "BROWSER SEARCH"}, {0xAB, "BROWSER FAVORITES"},
        {0xAC, "BROWSER HOME"},      {0xAD, "VOLUME MUTE"},        {0xAE, "VOLUME DOWN"}, {0xAF, "VOLUME UP"},
        {0xB0, "NEXT TRACK"},        {0xB1, "PREVIOUS TRACK"},     {0xB2, "STOP MEDIA"}, {0xB3, "PLAY/PAUSE"},
        {0xB4, "MAIL"},              {0xB5, "MEDIA SELECT"},       {0xB6, "APP 1"},      {0xB7, "APP 2"},
        {0xBA, ";"},                 {0xBB, "="},                  {0xBC, ","},          {0xBD, "-"},
        {0xBE, "."},                 {0xBF, "/"},                  {0xC0, "`"},          {0xDB, "["},
        {0xDC, "\\"},                {0xDD, "]"},                  {0xDE, "'"},          {0xDF, "OEM 8"},
        {0xE2, "<>"},                {0xE5, "IME PROCESS"},        {0xE7, "PACKET"},     {0xF6, "ATTN"},
        {0xF7, "CRSEL"},             {0xF8, "EXSEL"},              {0xF9, "EREOF"},      {0xFA, "PLAY"},
        {0xFB, "ZOOM"},              {0xFD, "PA1"},                {0xFE, "OEM CLEAR"},
    };
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) return std::string(1, static_cast<char>(code));
    if (code >= 0x60 && code <= 0x69) return "keypad " + std::to_string(code - 0x60);
    if (code >= 0x70 && code <= 0x87) return "F" + std::to_string(code - 0x6F);
    // OEM-specific codes are keys on some keyboards.
    if ((code >= 0x92 && code <= 0x96) || code == 0xE1 || code == 0xE3 || code == 0xE4 || code == 0xE6 ||
        (code >= 0xE9 && code <= 0xF5))
        return "OEM key";
    auto it = kNames.find(code);
    return it == kNames.end() ? std::string() : it->second;
}

std::string keyText(int32_t code) {
    if ((code >= 'A' && code <= 'Z') || (code >= 0x70 && code <= 0x87)) return keyName(code);
    for (const NamedKey& key : kNamedKeys)  // the first name of a code
        if (key.code == code) return key.name;
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(code));
    return text;
}

}  // namespace tools
