// Reader of the INI-style settings file: switches and numbers by section and key.
// The pieces below the two reads are public so that tools checking a settings
// file classify and convert its lines exactly as the plug-in does.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// Strips exactly space, tab, carriage return and line feed from both ends.
std::string trimBlanks(const std::string& text);

// trimBlanks without the copy: a view into text. Inline, as the key bindings
// trim every name and value of a file with it.
inline std::string_view trimBlanksView(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t first = 0;
    std::size_t end = text.size();
    while (first < end && blank(text[first])) ++first;
    while (end > first && blank(text[end - 1])) --end;
    return text.substr(first, end - first);
}

// The lines of a file, read in blocks: the one line splitter behind forEachLine,
// the reads below and the key bindings, so that all of them cut a file into the
// same lines. Binary mode, with CR LF folded here: the Windows C runtime's text
// mode would also stop at a 0x1A byte, which glibc does not, so doing the
// folding ourselves makes both builds read every file alike. The file is open
// for the life of the object and is read once, front to back. Never throws.
class SettingsFileLines {
public:
    explicit SettingsFileLines(const char* path) noexcept;
    ~SettingsFileLines();
    SettingsFileLines(const SettingsFileLines&) = delete;
    SettingsFileLines& operator=(const SettingsFileLines&) = delete;

    // False when the file could not be opened. A directory opens on Linux and
    // fails its first read instead: see failed().
    bool opened() const { return file_ != nullptr; }

    // True once a read has failed (or memory for a long line ran out); the
    // lines from there on are not given.
    bool failed() const { return failed_; }

    // The next line (line feed removed, a carriage return right before it
    // folded away, otherwise untouched), valid until the next call. False at
    // the end of the file or on a read error.
    bool next(std::string_view& line) {
        // Most lines lie within the current block: a view into it, no copy.
        const char* start = block_.get() + pos_;
        const void* feed = pos_ < end_ ? std::memchr(start, '\n', end_ - pos_) : nullptr;
        if (feed == nullptr) return lineFrom(pos_, end_, line);
        line = endLine(start, static_cast<const char*>(feed));
        return true;
    }

    // Like next, but passes over every line whose first byte other than space,
    // tab and carriage return is neither a nor b (neither may be such a blank
    // or a line feed), and gives the line from that first byte on. The lines
    // passed over are searched for the two bytes, not cut one by one, which is
    // what makes a scan for a few lines of a large file cheap.
    bool nextLedBy(char a, char b, std::string_view& line);

    // Like nextLedBy, for the lines whose text from their first non-blank
    // byte on starts with text (which may not start with a blank or hold a
    // line feed). The lines passed over are not cut.
    bool nextLedByText(std::string_view text, std::string_view& line);

    // Like next, but passes over every line that does not hold byte c (which
    // may not be a line feed); the lines passed over are not cut one by one.
    // at is where the first c is in line.
    bool nextHolding(char c, std::string_view& line, std::size_t& at);

private:
    // Where to look next for one byte in the block, kept between calls so that
    // a byte that is far off is not searched for again at every line.
    struct Sought {
        char byte = 0;
        std::size_t at = 0;
        std::size_t generation = 0;
    };

    std::string_view endLine(const char* start, const char* feed) {
        pos_ = static_cast<std::size_t>(feed - block_.get()) + 1;
        std::string_view line(start, static_cast<std::size_t>(feed - start));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    }
    bool lineFrom(std::size_t start, std::size_t searchFrom, std::string_view& line);
    bool skipRestOfLine();
    bool refillKeeping(std::size_t keepFrom);
    std::size_t find(Sought& sought, char byte, std::size_t from);

    std::FILE* file_ = nullptr;
    std::unique_ptr<char[]> block_;  // on the heap: the script fibre's stack is not ours to size
    std::size_t capacity_ = 0;       // grows only for a line longer than a block
    std::size_t pos_ = 0;            // next unread byte of the block; a line start between calls
    std::size_t end_ = 0;            // bytes in the block
    std::size_t generation_ = 1;     // counts the fillings of the block
    Sought soughtA_;
    Sought soughtB_;
    bool atEnd_ = false;
    bool failed_ = false;
};

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
