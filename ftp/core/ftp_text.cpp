#include "ftp/core/ftp_text.h"

#include <cstdio>
#include <cstring>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// Six numbers "n,n,n,n,n,n" from text[pos..length), each 0-255 of 1-3 digits
// with blanks around it. *end: the position after the sixth and its blanks.
bool ReadSixNumbers(const char* text, uint32_t length, uint32_t pos, unsigned values[6], uint32_t* end) {
    for (int n = 0; n < 6; ++n) {
        if (n > 0) {
            if (pos >= length || text[pos] != ',') return false;
            ++pos;
        }
        while (pos < length && IsBlank(text[pos])) ++pos;
        unsigned value = 0, digits = 0;
        while (pos < length && IsDigit(text[pos])) {
            if (++digits > 3) return false;
            value = value * 10u + unsigned(text[pos] - '0');
            ++pos;
        }
        if (digits == 0 || value > 255) return false;
        while (pos < length && IsBlank(text[pos])) ++pos;
        values[n] = value;
    }
    *end = pos;
    return true;
}

// The six numbers of a 227 reply, as ParsePasvReply describes.
bool FindPasvNumbers(const char* line, uint32_t length, unsigned values[6]) {
    uint32_t end = 0;
    const void* open = std::memchr(line, '(', length);
    if (open) {
        uint32_t pos = uint32_t(static_cast<const char*>(open) - line) + 1;
        if (!ReadSixNumbers(line, length, pos, values, &end)) return false;
        return end == length || line[end] == ')';
    }
    if (length < 3 || !IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2])) return false;
    uint32_t pos = 3;
    while (pos < length && !IsDigit(line[pos])) ++pos;
    if (pos == length) return false;
    uint32_t before = pos;
    while (before > 3 && IsBlank(line[before - 1])) --before;
    if (before > 3 && (line[before - 1] == '-' || line[before - 1] == '+')) return false;
    if (!ReadSixNumbers(line, length, pos, values, &end)) return false;
    // "...,4,1." and "...,4,1 ok" end the run; "...,4,1x", "...,4,1 5" or a
    // seventh number do not.
    if (end < length) {
        char next = line[end];
        if (IsDigit(next) || next == ',' || next == '-' || next == '+') return false;
        if (IsLetter(next) && !IsBlank(line[end - 1])) return false;
    }
    return true;
}

// The number of a group "( <digits> bytes )" whose inside is text[open..close).
// *matched: the inside ends in "bytes". kUnknownSize when it does not, or
// when the number is empty, not all digits, or not below kUnknownSize.
uint64_t ReadSizeGroup(const char* text, uint32_t open, uint32_t close, bool* matched) {
    *matched = false;
    uint32_t end = close;
    while (end > open && IsBlank(text[end - 1])) --end;
    static const char kBytes[] = "bytes";
    if (end - open < 5) return kUnknownSize;
    for (uint32_t i = 0; i < 5; ++i)
        if (Lower(text[end - 5 + i]) != kBytes[i]) return kUnknownSize;
    *matched = true;
    end -= 5;
    while (end > open && IsBlank(text[end - 1])) --end;
    uint32_t pos = open;
    while (pos < end && IsBlank(text[pos])) ++pos;
    if (pos == end) return kUnknownSize;
    uint64_t value = 0;
    for (; pos < end; ++pos) {
        if (!IsDigit(text[pos])) return kUnknownSize;
        uint64_t digit = uint64_t(text[pos] - '0');
        if (value > (kUnknownSize - 1 - digit) / 10u) return kUnknownSize;
        value = value * 10u + digit;
    }
    return value;
}

}  // namespace

uint16_t ParsePasvReply(const char* line, uint32_t length, TextBuffer& dotted, uint16_t* port) {
    dotted.Clear();
    if (port) *port = 0;
    if (!line) return 0;
    unsigned values[6];
    if (!FindPasvNumbers(line, length, values)) return 0;
    char text[16];
    int n = std::snprintf(text, sizeof text, "%u.%u.%u.%u", values[0], values[1], values[2], values[3]);
    if (n <= 0 || n >= int(sizeof text) || !dotted.Assign(text, uint32_t(n))) {
        dotted.Clear();
        return 0;
    }
    if (port) *port = static_cast<uint16_t>(values[4] * 256u + values[5]);
    return 1;
}

uint64_t ParseTransferSize(const char* line, uint32_t length) {
    if (!line || length < 3 || line[0] != '1' || !IsDigit(line[1]) || !IsDigit(line[2])) return kUnknownSize;
    // Groups with no parenthesis inside, from the last one back: a file name
    // such as "a (1).bin" may hold groups of its own.
    uint32_t close = length;
    while (close > 3) {
        --close;
        if (line[close] != ')') continue;
        uint32_t open = close;
        while (open > 3 && line[open - 1] != '(' && line[open - 1] != ')') --open;
        if (open <= 3 || line[open - 1] != '(') continue;
        bool matched = false;
        uint64_t size = ReadSizeGroup(line, open, close, &matched);
        if (matched) return size;
    }
    return kUnknownSize;
}

uint32_t DottedQuadToAddress(const char* text, uint32_t length) {
    if (!text) return kNoAddress;
    unsigned char parts[4];
    uint32_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= length || text[pos] != '.') return kNoAddress;
            ++pos;
        }
        uint32_t value = 0, digits = 0;
        while (pos < length && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
            value = value * 10 + uint32_t(text[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) return kNoAddress;
        parts[part] = static_cast<unsigned char>(value);
    }
    if (pos != length) return kNoAddress;
    uint32_t address;
    std::memcpy(&address, parts, 4);
    return address;
}

uint16_t ParsePasvAddress(const char* line, uint32_t length, uint32_t* address, uint16_t* port) {
    TextBuffer dotted(32);
    uint32_t result = kNoAddress;
    if (ParsePasvReply(line, length, dotted, port))
        result = DottedQuadToAddress(dotted.Text(), dotted.length);
    if (result == kNoAddress && port) *port = 0;
    if (address) *address = result;
    return result != kNoAddress ? 1 : 0;
}

uint16_t ParsePwdReply(const char* line, uint32_t length, TextBuffer& directory) {
    directory.Clear();
    if (!line) return 0;
    const void* first = std::memchr(line, '"', length);
    if (!first) return 0;
    // '257 "/a ""b""" is current directory.': a quote inside the name is
    // doubled; a single quote ends it.
    uint32_t run = uint32_t(static_cast<const char*>(first) - line) + 1;
    for (uint32_t i = run; i < length; ++i) {
        if (line[i] != '"') continue;
        if (i > run && !directory.Append(line + run, i - run)) {
            directory.Clear();
            return 0;
        }
        if (i + 1 < length && line[i + 1] == '"') {
            run = ++i;  // the second quote starts the next run
            continue;
        }
        return 1;
    }
    directory.Clear();
    return 0;
}

uint16_t BuildPortArgument(uint32_t networkAddress, uint16_t port, TextBuffer& out) {
    unsigned char parts[4];
    std::memcpy(parts, &networkAddress, 4);
    char text[32];
    int n = std::snprintf(text, sizeof text, "%u,%u,%u,%u,%u,%u", unsigned(parts[0]), unsigned(parts[1]),
                          unsigned(parts[2]), unsigned(parts[3]), unsigned(port / 256u), unsigned(port % 256u));
    if (n <= 0 || n >= int(sizeof text)) return 0;
    return out.Assign(text, uint32_t(n));
}

uint16_t IsSafeLineText(const char* text, uint32_t length) {
    if (!text) return length == 0 ? 1 : 0;
    for (uint32_t i = 0; i < length; ++i)
        if (text[i] == '\r' || text[i] == '\n' || text[i] == '\0') return 0;
    return 1;
}

uint16_t BuildCommandLine(TextBuffer& out, const char* keyword, const char* argument, uint32_t argumentLength) {
    out.Clear();
    if (!keyword) return 0;
    uint32_t keywordLength = uint32_t(std::strlen(keyword));
    if (keywordLength == 0 || !IsSafeLineText(keyword, keywordLength)) return 0;
    if (argumentLength > 0 && !IsSafeLineText(argument, argumentLength)) return 0;
    if (!out.Append(keyword, keywordLength) ||
        (argumentLength > 0 && !out.Append(argument, argumentLength)) || !out.Append("\r\n", 2)) {
        out.Clear();
        return 0;
    }
    return 1;
}

uint16_t BuildTypeLine(TextBuffer& out, const char* keyword, char type, char second) {
    out.Clear();
    if (type == '\0') return 0;
    char argument[3] = {type, ' ', second};
    return BuildCommandLine(out, keyword, argument, second == '\0' ? 1 : 3);
}
