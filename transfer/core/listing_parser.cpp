#include "transfer/core/listing_parser.h"

#include <cstring>

#include "frame/core/byte_buffer.h"

namespace {

// Columns read from the start of a line: enough for a Unix line with its
// group column and time (8 columns), and a DOS line with its name.
constexpr uint16_t kMaxColumns = 8;

// An entry is at most a line and a few bytes; lines have 32-bit lengths.
constexpr uint32_t kNoLimit = 0xFFFFFFFFu;

enum EntryKind : uint16_t { kKindFile = kEntryFile, kKindDirectory = kEntryDirectory, kKindLink = kEntryLink };

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSeparator(char c) { return c == '/' || c == '\\'; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// Offsets [start, end) into a line.
struct Span {
    uint32_t start;
    uint32_t end;
    uint32_t Length() const { return end - start; }
};

struct Columns {
    Span column[kMaxColumns];
    uint16_t count;
};

// The first kMaxColumns runs of non-spaces of a line.
void ReadColumns(const char* line, uint32_t length, Columns& columns) {
    columns.count = 0;
    uint32_t pos = 0;
    while (columns.count < kMaxColumns) {
        while (pos < length && line[pos] == ' ') ++pos;
        if (pos == length) break;
        Span& span = columns.column[columns.count++];
        span.start = pos;
        while (pos < length && line[pos] != ' ') ++pos;
        span.end = pos;
    }
}

bool AllDigits(const char* line, uint32_t start, uint32_t end) {
    if (start >= end) return false;
    for (uint32_t i = start; i < end; ++i)
        if (!IsDigit(line[i])) return false;
    return true;
}

bool IsNumber(const char* line, const Span& s) { return AllDigits(line, s.start, s.end); }

bool IsDay(const char* line, const Span& s) { return s.Length() <= 2 && IsNumber(line, s); }

bool IsMonth(const char* line, const Span& s) {
    static const char kMonths[] = "JANFEBMARAPRMAYJUNJULAUGSEPOCTNOVDEC";
    if (s.Length() != 3) return false;
    char a = Upper(line[s.start]), b = Upper(line[s.start + 1]), c = Upper(line[s.start + 2]);
    for (int m = 0; m < 12; ++m)
        if (kMonths[3 * m] == a && kMonths[3 * m + 1] == b && kMonths[3 * m + 2] == c) return true;
    return false;
}

// "h:mm" or "hh:mm" from line[start, end).
bool IsClock(const char* line, uint32_t start, uint32_t end) {
    uint32_t n = end - start;
    if (n != 4 && n != 5) return false;
    uint32_t colon = end - 3;
    return line[colon] == ':' && AllDigits(line, start, colon) && AllDigits(line, colon + 1, end);
}

bool IsTimeOrYear(const char* line, const Span& s) {
    return IsClock(line, s.start, s.end) || (s.Length() == 4 && IsNumber(line, s));
}

// The name of a Unix long line starts after the one space that follows the
// time or year. The size column is 3 without a group column, 4 with one, 2
// when the owner too is missing; none of these can mistake another column
// for the size, as the size is never a month.
bool UnixNameStart(const char* line, uint32_t length, const Columns& columns, uint32_t* nameStart) {
    static const uint16_t kSizeColumns[] = {3, 4, 2};
    for (uint16_t size : kSizeColumns) {
        if (columns.count <= size + 3) continue;
        const Span* c = columns.column + size;
        if (!IsNumber(line, c[0]) || !IsMonth(line, c[1]) || !IsDay(line, c[2]) || !IsTimeOrYear(line, c[3]))
            continue;
        if (length - c[3].end < 2) continue;  // no space and name after the time or year
        *nameStart = c[3].end + 1;
        return true;
    }
    return false;
}

// "01-01-96" or "01-01-2024": 1-2 digits, 1-2 digits, 2 or 4 digits.
bool IsDosDate(const char* line, const Span& s) {
    uint32_t pos = s.start;
    for (int part = 0; part < 3; ++part) {
        uint32_t from = pos;
        while (pos < s.end && IsDigit(line[pos])) ++pos;
        uint32_t digits = pos - from;
        if (part < 2) {
            if (digits < 1 || digits > 2 || pos == s.end || line[pos] != '-') return false;
            ++pos;
        } else if ((digits != 2 && digits != 4) || pos != s.end) {
            return false;
        }
    }
    return true;
}

// "12:00PM", "9:05am" or "13:45".
bool IsDosTime(const char* line, const Span& s) {
    uint32_t end = s.end;
    if (s.Length() > 2) {
        char a = Upper(line[end - 2]), m = Upper(line[end - 1]);
        if ((a == 'A' || a == 'P') && m == 'M') end -= 2;
    }
    return IsClock(line, s.start, end);
}

// The name of a DOS line is its fourth column and the rest of the line: the
// blanks before it cannot be told from padding.
bool DosNameStart(const char* line, const Columns& columns, uint32_t* nameStart) {
    if (columns.count < 4) return false;
    const Span& size = columns.column[2];
    bool directory = size.Length() == 5 && std::memcmp(line + size.start, "<DIR>", 5) == 0;
    if (!IsDosDate(line, columns.column[0]) || !IsDosTime(line, columns.column[1]) ||
        (!directory && !IsNumber(line, size)))
        return false;
    *nameStart = columns.column[3].start;
    return true;
}

// The first occurrence of word (of n bytes) in line[from, length), or length.
uint32_t Find(const char* line, uint32_t from, uint32_t length, const char* word, uint32_t n) {
    while (from < length && length - from >= n) {
        const void* hit = std::memchr(line + from, word[0], length - from - n + 1);
        if (!hit) break;
        uint32_t at = uint32_t(static_cast<const char*>(hit) - line);
        if (std::memcmp(line + at, word, n) == 0) return at;
        from = at + 1;
    }
    return length;
}

EntryKind Classify(const char* line, uint32_t length) {
    char first = line[0];
    if (first == 'd') return kKindDirectory;
    if (first == 'l' || first == 's') return kKindLink;
    if (Find(line, 0, length, "<DIR>", 5) < length) return kKindDirectory;
    if (length >= 15 && std::memcmp(line + 12, "DIR", 3) == 0) return kKindDirectory;
    return kKindFile;
}

// The name column a link line gives: the first space after the last ":"
// before its last space (the time of day), else 1.
uint32_t ColumnAfterTime(const char* line, uint32_t lastSpace) {
    uint32_t pos = lastSpace;
    while (pos > 0 && line[pos - 1] != ':') --pos;
    if (pos == 0) return 1;
    while (line[pos] != ' ') ++pos;  // stops at lastSpace at the latest
    return pos;
}

// A link read the old way: the word at the name column, then the text after
// the last space beyond it as the target.
void LinkAtColumn(const char* line, uint32_t length, uint32_t lastSpace, uint32_t column, Span* name,
                  Span* target) {
    uint32_t pos = column < length ? column : length;
    while (pos < length && line[pos] == ' ') ++pos;
    name->start = pos;
    while (pos < length && line[pos] != ' ') ++pos;
    name->end = pos;
    if (pos < length && lastSpace > pos) {
        target->start = lastSpace + 1;
        target->end = length;
    }
}

bool IsDotName(const char* line, const Span& name) {
    uint32_t n = name.Length();
    return (n == 1 || n == 2) && line[name.start] == '.' && line[name.end - 1] == '.';
}

class LineParser {
public:
    LineParser(ListingSink& sink, unsigned char depth)
        : sink_(sink), depth_(depth), nameColumn_(0), entry_(kNoLimit) {}
    virtual ~LineParser() {}

    void Parse(const char* line, uint32_t length);

private:
    ListingSink& sink_;
    unsigned char depth_;
    uint32_t nameColumn_;  // 0 until the first file or link line
    ByteBuffer entry_;
};

void LineParser::Parse(const char* line, uint32_t length) {
    uint32_t rawIndex = sink_.OnRawLine(line, length);
    uint32_t lastSpace = length;
    while (lastSpace > 0 && line[lastSpace - 1] != ' ') --lastSpace;
    if (lastSpace == 0) return;  // no space: no entry
    --lastSpace;

    EntryKind kind = Classify(line, length);
    if (nameColumn_ == 0) {
        if (kind == kKindFile) nameColumn_ = lastSpace > 0 ? lastSpace : 1;
        else if (kind == kKindLink) nameColumn_ = ColumnAfterTime(line, lastSpace);
    }

    Columns columns;
    ReadColumns(line, length, columns);
    Span name = {lastSpace + 1, length};
    Span target = {length, length};
    uint32_t nameStart = 0;
    if (DosNameStart(line, columns, &nameStart) || UnixNameStart(line, length, columns, &nameStart)) {
        name.start = nameStart;
        if (kind == kKindLink) {
            uint32_t arrow = Find(line, nameStart, length, " -> ", 4);
            name.end = arrow;
            if (arrow < length) target.start = arrow + 4;
        }
    } else if (kind == kKindLink) {
        LinkAtColumn(line, length, lastSpace, nameColumn_, &name, &target);
    }
    if (name.Length() == 0 || IsDotName(line, name)) return;

    entry_.Clear();
    ListingEntryShape shape = {kind, kind == kKindLink ? 2u : 1u, name.Length(), 0};
    bool built;
    if (kind == kKindFile) {
        built = entry_.AppendByte(char(kFileMarker)) && entry_.Append(line + name.start, name.Length());
    } else {
        built = entry_.AppendByte(char(depth_)) && (kind != kKindLink || entry_.AppendByte(' ')) &&
                entry_.Append(line + name.start, name.Length());
        if (built && kind == kKindLink && target.Length() > 0) {
            shape.targetStart = shape.nameStart + shape.nameLength + 2;
            built = entry_.Append(" >", 2) && entry_.Append(line + target.start, target.Length());
        }
    }
    if (built) sink_.OnEntry(entry_.Text(), entry_.Length(), rawIndex, shape);
}

unsigned char LevelMarker(uint32_t level, bool current) {
    uint32_t low = level < kMaxDepth ? level : kMaxDepth;
    return static_cast<unsigned char>(low | (current ? kCurrentLevel : kUpperLevel));
}

void ReportPath(const char* directory, ListingSink& sink) {
    size_t length = std::strlen(directory);
    bool rooted = length > 0 && IsSeparator(directory[0]);
    // Where the last component starts: it is the current level.
    size_t lastStart = length;
    for (size_t i = 0; i < length; ++i)
        if (!IsSeparator(directory[i]) && (i == 0 || IsSeparator(directory[i - 1]))) lastStart = i;

    ByteBuffer item(kNoLimit);
    uint32_t level = 1;
    if (rooted) {
        if (item.AppendByte(char(LevelMarker(level, lastStart == length))) && item.AppendByte(directory[0]))
            sink.OnPathItem(item.Text(), item.Length());
        ++level;
    }
    size_t pos = 0;
    while (pos < length) {
        while (pos < length && IsSeparator(directory[pos])) ++pos;
        if (pos == length) break;
        size_t start = pos;
        while (pos < length && !IsSeparator(directory[pos])) ++pos;
        item.Clear();
        if (pos - start < kNoLimit - 1 && item.AppendByte(char(LevelMarker(level, start == lastStart))) &&
            item.Append(directory + start, uint32_t(pos - start)))
            sink.OnPathItem(item.Text(), item.Length());
        if (level < kNoLimit) ++level;
    }
}

}  // namespace

uint16_t ListingDepth(const char* currentDirectory) {
    if (!currentDirectory) return 1;
    uint16_t depth = 1;
    if (IsSeparator(currentDirectory[0])) ++depth;
    for (size_t i = 0; currentDirectory[i] != '\0' && depth < kMaxDepth; ++i)
        if (!IsSeparator(currentDirectory[i]) && (i == 0 || IsSeparator(currentDirectory[i - 1]))) ++depth;
    return depth;
}

void ParseListingText(const char* text, uint32_t length, const char* currentDirectory, ListingSink& sink) {
    if (!currentDirectory) currentDirectory = "";
    if (text) {
        LineParser parser(sink, static_cast<unsigned char>(ListingDepth(currentDirectory)));
        uint32_t pos = 0;
        while (pos < length) {
            const void* cr = std::memchr(text + pos, '\r', length - pos);
            uint32_t end = cr ? uint32_t(static_cast<const char*>(cr) - text) : length;
            if (end > pos) parser.Parse(text + pos, end - pos);
            if (!cr) break;
            pos = end + 1;
        }
    }
    ReportPath(currentDirectory, sink);
}
