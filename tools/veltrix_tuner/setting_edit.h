// Edits of a settings file as the tuner page makes them: each rewrites only
// what it must, so that every other byte of the file stays, and a setting is
// changed through the line that the plug-in's own reads say decides it.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace tuner {

// `file` with one setting changed: the line that decides it is rewritten (its
// value only), or, when none does, a line is added under the section header
// that the plug-in reads the setting from. `value` is, for a number, the text
// to write (anything: "-1", "inf", "5e-2"); for a switch "1" (on) or "0"
// (off); for ToggleKey the virtual-key code in decimal. False, with the
// reason in `problem`, when it cannot be written.
bool editSetting(const std::string& file, const std::string& key, const std::string& value, std::string& edited,
                 std::string& problem);

// The text a slider writes for `wanted`: the tools' float text, with an
// exponent below 1 as the shipped file writes them ("5e-2", "10", "2.5").
std::string numberText(double wanted);

// The line end a line added to `file` gets: the one most of its lines have.
std::string lineEndOf(const std::string& file);

// One edit as the page asks for it: {key, value} or {key, number} (a
// slider's), {line, text} (line `line`'s content becomes `text`, its line end
// kept), or {addLine: true} (an empty line at the end). False, with the
// reason, when it cannot be made.
bool applyEdit(const std::string& file, const nlohmann::json& edit, std::string& edited, std::string& problem);

}  // namespace tuner
