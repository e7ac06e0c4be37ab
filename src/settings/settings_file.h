// Reader of the INI-style settings file: switches and numbers by section and key.
// The pieces below the two reads are public so that tools checking a settings
// file classify and convert its lines exactly as the plug-in does.
#pragma once

#include <functional>
#include <string>

// Strips exactly space, tab, carriage return and line feed from both ends.
std::string trimBlanks(const std::string& text);

// Calls visit with every line of the file in order (line feed removed, a
// carriage return right before it folded away, otherwise untouched) until
// visit returns true. Returns false when the file cannot be opened or read
// (a directory, say). Never throws: a read error, or an exception from visit,
// ends the scan.
bool forEachLine(const char* path, const std::function<bool(const std::string& line)>& visit);

enum class LineKind { Empty, Comment, Section, Entry, NoEquals };

// Kind of an already trimmed line. Section: sectionOrName gets the text between
// the brackets, unchanged. Entry: sectionOrName and value get the trimmed text
// before and after the first "=". Otherwise both are left alone.
LineKind classifyLine(const std::string& trimmedLine, std::string& sectionOrName, std::string& value);

// One of "1", "true", "True", "0", "false", "False": sets result, returns true.
// Anything else is passed over: returns false and leaves result alone.
bool readBoolValue(const std::string& value, bool& result);

// std::stof on value; false (result left alone) when no number starts the
// value or the conversion reports a range error.
bool convertFloat(const std::string& value, float& result);

// Fallback true: a missing file, section or key, or only unrecognised values.
bool readBool(const char* path, const std::string& section, const std::string& key);

// The first matching entry decides; the fallback when it does not convert.
float readFloat(const char* path, const std::string& section, const std::string& key, float fallback);
