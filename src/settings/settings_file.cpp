#include "settings/settings_file.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <utility>

namespace {

// Big enough that a settings file is a handful of reads; small enough that the
// allocator hands back the same memory at every scan (a buffer for the whole
// file was mapped afresh, and paid its page faults, every time).
constexpr std::size_t kBlockBytes = 32 * 1024;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A blank that does not end a line.
bool isLineBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

bool boolValue(std::string_view value, bool& result) {
    if (value == "1" || value == "true" || value == "True") {
        result = true;
        return true;
    }
    if (value == "0" || value == "false" || value == "False") {
        result = false;
        return true;
    }
    return false;
}

// Hands the value of each entry named key in the given section to decide,
// until decide returns true. The reads run thirteen times over the whole file
// at start-up, so the scan asks only for the lines that can matter: outside
// the section its own header, inside it any header and the lines whose
// trimmed name could start like the key. It decides exactly as trimBlanks and
// classifyLine would: comments start with ';', which is never asked for, and
// the reader drops only blanks in front of the lines it gives.
template <class Decide>
void scanEntries(const char* path, std::string_view section, std::string_view key, Decide decide) {
    SettingsFileLines lines(path);
    if (!lines.opened()) return;
    // A name-less "=" line is the only match for an empty key; a key that
    // starts with a blank or with ';' matches no entry line at all.
    char entryLead = key.empty() ? '=' : key.front();
    if (isBlank(entryLead) || entryLead == ';') entryLead = '[';
    // Outside the section any other header or line leaves the scan outside;
    // only "[section]" followed by blanks brings it in. No header can name a
    // section that holds a line feed.
    const std::string header = "[" + std::string(section) + "]";
    const bool headerPossible = section.find('\n') == std::string_view::npos;
    // Lines before the first header belong to the empty-named section.
    bool inSection = section.empty();
    std::string_view line;  // starts at its first non-blank byte
    for (;;) {
        if (!inSection) {
            if (!headerPossible || !lines.nextLedByText(header, line)) return;
            inSection = trimBlanksView(line.substr(header.size())).empty();
            continue;
        }
        if (!lines.nextLedBy('[', entryLead, line)) return;
        if (line.front() == '[') {
            std::size_t last = line.size() - 1;
            while (isBlank(line[last])) --last;  // stops at the '[' at the latest
            if (last > 0 && line[last] == ']') {
                inSection = line.substr(1, last - 1) == section;
                continue;
            }
            // Anything after the closing bracket: an entry line like any other.
        }
        if (line.front() != entryLead) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        if (trimBlanksView(line.substr(0, equals)) != key) continue;
        if (decide(trimBlanksView(line.substr(equals + 1)))) return;
    }
}

}  // namespace

std::string trimBlanks(const std::string& text) {
    return std::string(trimBlanksView(text));
}

SettingsFileLines::SettingsFileLines(const char* path) noexcept
    : block_(new (std::nothrow) char[kBlockBytes]) {
    if (!block_) {
        failed_ = true;  // no memory to read into: reads as a failed read
        return;
    }
    capacity_ = kBlockBytes;
    file_ = std::fopen(path, "rb");
    // Blocks go straight from the file into block_; the stream's own buffer
    // would only add a copy.
    if (file_ != nullptr) std::setvbuf(file_, nullptr, _IONBF, 0);
}

SettingsFileLines::~SettingsFileLines() {
    if (file_ != nullptr) std::fclose(file_);
}

// Moves the bytes from keepFrom on (an unfinished line) to the front of the
// block and reads the file into the rest; the block grows when that line
// already fills it. False when nothing more was read: the end of the file, a
// read error or no memory. The kept bytes stay at the front either way.
bool SettingsFileLines::refillKeeping(std::size_t keepFrom) {
    const std::size_t kept = end_ - keepFrom;
    ++generation_;
    if (kept == capacity_ && !atEnd_ && !failed_) {
        std::unique_ptr<char[]> larger(new (std::nothrow) char[capacity_ * 2]);
        if (!larger) {
            failed_ = true;
        } else {
            std::memcpy(larger.get(), block_.get(), kept);
            block_ = std::move(larger);
            capacity_ *= 2;
        }
    } else if (kept != 0 && keepFrom != 0) {
        std::memmove(block_.get(), block_.get() + keepFrom, kept);
    }
    pos_ = 0;
    end_ = kept;
    if (file_ == nullptr || atEnd_ || failed_) return false;
    const std::size_t wanted = capacity_ - kept;
    const std::size_t got = std::fread(block_.get() + kept, 1, wanted, file_);
    if (got < wanted) {
        atEnd_ = true;
        if (std::ferror(file_)) {
            failed_ = true;
            return false;
        }
    }
    end_ += got;
    return got != 0;
}

// The line that starts at start, its line feed not in [start, searchFrom).
bool SettingsFileLines::lineFrom(std::size_t start, std::size_t searchFrom, std::string_view& line) {
    for (;;) {
        const char* block = block_.get();
        const void* feed = searchFrom < end_ ? std::memchr(block + searchFrom, '\n', end_ - searchFrom) : nullptr;
        if (feed != nullptr) {
            line = endLine(block + start, static_cast<const char*>(feed));
            return true;
        }
        const std::size_t searched = end_ - start;
        if (!refillKeeping(start)) {
            // The last line needs no line feed, and keeps a carriage return
            // at its end. A line cut short by a read error is not given.
            if (failed_ || end_ == 0) return false;
            line = std::string_view(block_.get(), end_);
            pos_ = end_;
            return true;
        }
        start = 0;
        searchFrom = searched;
    }
}

// Passes over the rest of a line that runs past the end of the block.
bool SettingsFileLines::skipRestOfLine() {
    for (;;) {
        if (!refillKeeping(end_)) return false;
        const void* feed = std::memchr(block_.get(), '\n', end_);
        if (feed != nullptr) {
            pos_ = static_cast<std::size_t>(static_cast<const char*>(feed) - block_.get()) + 1;
            return true;
        }
        pos_ = end_;
    }
}

std::size_t SettingsFileLines::find(Sought& sought, char byte, std::size_t from) {
    // A position found in this filling of the block stays right until passed;
    // "none up to the end" stays right for every later start.
    if (sought.generation != generation_ || sought.byte != byte || sought.at < from) {
        const void* hit = std::memchr(block_.get() + from, byte, end_ - from);
        sought.byte = byte;
        sought.generation = generation_;
        sought.at = hit == nullptr ? end_ : static_cast<std::size_t>(static_cast<const char*>(hit) - block_.get());
    }
    return sought.at;
}

bool SettingsFileLines::nextLedBy(char a, char b, std::string_view& line) {
    for (;;) {
        // pos_ is a line start, or has only blanks of its line before it.
        // With a == b the second search is skipped, and its remembered place
        // is kept for when the caller asks for b again.
        std::size_t candidate = end_;
        if (pos_ < end_) {
            candidate = find(soughtA_, a, pos_);
            if (b != a) candidate = std::min(candidate, find(soughtB_, b, pos_));
        }
        const char* block = block_.get();
        if (candidate < end_) {
            std::size_t lead = candidate;
            while (lead > pos_ && isLineBlank(block[lead - 1])) --lead;
            if (lead == pos_ || block[lead - 1] == '\n') return lineFrom(candidate, candidate + 1, line);
            // Another byte leads this line, and the candidate is the first
            // a or b in it: the whole line is passed over.
            const void* feed = std::memchr(block + candidate, '\n', end_ - candidate);
            if (feed != nullptr) {
                pos_ = static_cast<std::size_t>(static_cast<const char*>(feed) - block) + 1;
                continue;
            }
            pos_ = end_;
            if (!skipRestOfLine()) return false;
            continue;
        }
        // Neither byte in the rest of the block. Its unfinished last line can
        // still be led by one of them if it holds only blanks so far; those
        // blanks are not kept, as the line is given from its lead on.
        std::size_t tail = end_;
        while (tail > pos_ && isLineBlank(block[tail - 1])) --tail;
        const bool blanksOnly = tail == pos_ || block[tail - 1] == '\n';
        pos_ = end_;
        if (blanksOnly ? !refillKeeping(end_) : !skipRestOfLine()) return false;
    }
}

bool SettingsFileLines::nextLedByText(std::string_view text, std::string_view& line) {
    const char first = text.front();
    // pos_ stays where it is while the search moves on: the lines between are
    // never cut, so the lead test below needs only that every line after pos_
    // starts after a line feed.
    std::size_t from = pos_;
    for (;;) {
        const char* block = block_.get();
        const void* hit = from < end_ ? std::memchr(block + from, first, end_ - from) : nullptr;
        if (hit == nullptr) {
            // As in nextLedBy: an unfinished last line of blanks only can still
            // be led by text in the next block.
            std::size_t tail = end_;
            while (tail > pos_ && isLineBlank(block[tail - 1])) --tail;
            const bool blanksOnly = tail == pos_ || block[tail - 1] == '\n';
            pos_ = end_;
            if (blanksOnly ? !refillKeeping(end_) : !skipRestOfLine()) return false;
            from = pos_;
            continue;
        }
        const std::size_t candidate = static_cast<std::size_t>(static_cast<const char*>(hit) - block);
        from = candidate + 1;
        std::size_t lead = candidate;
        while (lead > pos_ && isLineBlank(block[lead - 1])) --lead;
        if (lead != pos_ && block[lead - 1] != '\n') continue;
        if (candidate + text.size() <= end_) {
            if (std::memcmp(block + candidate, text.data(), text.size()) != 0) continue;
            return lineFrom(candidate, candidate + text.size(), line);
        }
        // The line runs past the block: take it whole to compare it.
        if (!lineFrom(candidate, candidate + 1, line)) return false;
        if (line.substr(0, text.size()) == text) return true;
        from = pos_;
    }
}

bool SettingsFileLines::nextHolding(char c, std::string_view& line, std::size_t& at) {
    std::size_t lineStart = pos_;   // of the line that holds searchFrom
    std::size_t searchFrom = pos_;  // neither c nor a line feed in [lineStart, searchFrom)
    for (;;) {
        const char* block = block_.get();
        const void* hit = searchFrom < end_ ? std::memchr(block + searchFrom, c, end_ - searchFrom) : nullptr;
        if (hit != nullptr) {
            const std::size_t found = static_cast<std::size_t>(static_cast<const char*>(hit) - block);
            std::size_t start = found;
            while (start > lineStart && block[start - 1] != '\n') --start;
            at = found - start;
            return lineFrom(start, found + 1, line);
        }
        // Only the unfinished last line of the block can still hold c.
        std::size_t tail = end_;
        while (tail > searchFrom && block[tail - 1] != '\n') --tail;
        if (tail > searchFrom) lineStart = tail;
        const std::size_t kept = end_ - lineStart;
        if (!refillKeeping(lineStart)) return false;
        lineStart = 0;
        searchFrom = kept;
    }
}

bool forEachLine(const char* path, const std::function<bool(const std::string& line)>& visit) {
    try {
        SettingsFileLines lines(path);
        if (!lines.opened()) return false;
        std::string copy;
        std::string_view line;
        while (lines.next(line)) {
            copy.assign(line.data(), line.size());
            if (visit(copy)) return true;
        }
        return !lines.failed();
    } catch (...) {
        return false;
    }
}

LineKind classifyLine(const std::string& trimmedLine, std::string& sectionOrName, std::string& value) {
    if (trimmedLine.empty()) return LineKind::Empty;
    if (trimmedLine.front() == ';') return LineKind::Comment;
    if (trimmedLine.front() == '[' && trimmedLine.back() == ']') {
        sectionOrName = trimmedLine.substr(1, trimmedLine.size() - 2);
        return LineKind::Section;
    }
    const std::string::size_type equals = trimmedLine.find('=');
    if (equals == std::string::npos) return LineKind::NoEquals;
    const std::string_view line(trimmedLine);
    sectionOrName = trimBlanksView(line.substr(0, equals));
    value = trimBlanksView(line.substr(equals + 1));
    return LineKind::Entry;
}

bool readBoolValue(const std::string& value, bool& result) {
    return boolValue(value, result);
}

bool convertFloat(const std::string& value, float& result) {
    try {
        result = std::stof(value);
        return true;
    } catch (const std::invalid_argument&) {
        return false;
    } catch (const std::out_of_range&) {
        return false;
    }
}

bool readBool(const char* path, const std::string& section, const std::string& key) {
    bool result = true;
    try {
        scanEntries(path, section, key, [&](std::string_view value) { return boolValue(value, result); });
    } catch (...) {
        // Only bad_alloc can get here; the switch keeps its fallback.
        result = true;
    }
    return result;
}

float readFloat(const char* path, const std::string& section, const std::string& key, float fallback) {
    float result = fallback;
    try {
        scanEntries(path, section, key, [&](std::string_view value) {
            convertFloat(std::string(value), result);
            return true;  // the first matching entry decides, usable or not
        });
    } catch (...) {
        result = fallback;
    }
    return result;
}
