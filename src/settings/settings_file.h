// Reader of the INI-style settings file: switches and numbers by section and
// key. One function reads the file; the rules are plain functions over its
// text, public so that tools check a file exactly as the plug-in reads it.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "settings/float_conversion.h"

extern const char* const kSettingsPath;  // "Veltrix.ini", relative to the working directory

// The whole file, byte for byte: binary mode, so that both C runtimes see the
// same bytes (the Windows one's text mode also stops at a 0x1A byte); the
// lines fold CR LF themselves. False when it cannot be opened or read (a
// directory, say).
bool readSettingsFile(const char* path, std::string& text);
// The same for a file opened otherwise (a tool's, by a path of any letters),
// which it closes; false when it is null.
bool readOpenFile(std::FILE* file, std::string& text);

// The line that starts at `pos`, up to its line feed, with a carriage return
// right before that folded away (a lone one does not end a line); `pos` moves
// past the line feed. False when no line is left.
bool nextLine(std::string_view text, size_t& pos, std::string_view& line);

// Strips exactly space, tab, carriage return and line feed from both ends.
std::string_view trimBlanks(std::string_view text);

enum class LineKind { Empty, Comment, Section, Entry, NoEquals };

// Kind of a trimmed line. Section: sectionOrName gets the text between the
// brackets, unchanged. Entry: sectionOrName and value get the trimmed text
// before and after the first "=". Otherwise both are left alone.
LineKind classifyLine(std::string_view trimmedLine, std::string_view& sectionOrName, std::string_view& value);

// A line split at its first "=": the trimmed text before it and after it.
// False, both left alone, without one. Every reader of the file splits so.
bool splitAtEquals(std::string_view line, std::string_view& name, std::string_view& value);

// One of "1", "true", "True" (result true) or "0", "false", "False" (false);
// anything else is passed over: false, result left alone.
bool readBoolValue(std::string_view value, bool& result);

// Which entry of a key in a section decides its read: a number's first,
// usable or not; a switch's first with a recognised value.
enum class Decides { FirstEntry, FirstSwitchValue };
// That entry's value (a view into `text`, so its place in the file is known);
// false when no entry decides and the read falls back.
bool decidingValue(std::string_view text, std::string_view section, std::string_view key, Decides rule,
                   std::string_view& value);

// The reads over a file's text. A switch falls back to true when no entry for
// the key in the section has a recognised value; for a number the first entry
// decides, and falls back when it does not convert.
bool boolFromText(std::string_view text, std::string_view section, std::string_view key);
float floatFromText(std::string_view text, std::string_view section, std::string_view key, float fallback);

// The same, each opening, reading and closing the file; a file that cannot be
// read gives the fallback.
bool readBool(const char* path, const std::string& section, const std::string& key);
float readFloat(const char* path, const std::string& section, const std::string& key, float fallback);
