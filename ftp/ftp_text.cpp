#include "ftp/ftp_text.h"

#include <cstdio>
#include <cstring>

namespace {

bool IsSeparator(char c) { return c == ',' || c == ')'; }

// Leading blanks skipped, then decimal digits; no digits reads as 0.
uint16_t ReadNumber16(const char* text, uint32_t length) {
    uint32_t i = 0;
    while (i < length && (text[i] == ' ' || text[i] == '\t')) ++i;
    uint16_t value = 0;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i)
        value = static_cast<uint16_t>(value * 10u + uint16_t(text[i] - '0'));
    return value;
}

}  // namespace

uint16_t ParsePasvReply(const char* line, uint32_t length, TextBuffer& dotted, uint16_t* port) {
    dotted.Clear();
    if (port) *port = 0;
    if (!line) return 0;
    const void* open = std::memchr(line, '(', length);
    if (!open) return 0;
    uint32_t pos = uint32_t(static_cast<const char*>(open) - line) + 1;

    uint16_t numbers[2] = {0, 0};
    uint32_t token = 0;
    while (pos < length && token < 6) {
        while (pos < length && IsSeparator(line[pos])) ++pos;
        if (pos == length) break;
        uint32_t start = pos;
        while (pos < length && !IsSeparator(line[pos])) ++pos;
        ++token;
        if (token <= 4) {
            if (token > 1 && !dotted.Append(".", 1)) return 0;
            if (!dotted.Append(line + start, pos - start)) return 0;
        } else {
            numbers[token - 5] = ReadNumber16(line + start, pos - start);
        }
    }
    if (port) *port = static_cast<uint16_t>(numbers[0] * 256u + numbers[1]);
    return 1;
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
    if (address) *address = result;
    return result != kNoAddress ? 1 : 0;
}

uint16_t ParsePwdReply(const char* line, uint32_t length, TextBuffer& directory) {
    directory.Clear();
    if (!line) return 0;
    const void* first = std::memchr(line, '"', length);
    if (!first) return 0;
    uint32_t start = uint32_t(static_cast<const char*>(first) - line) + 1;
    const void* second = std::memchr(line + start, '"', length - start);
    if (!second) return 0;
    uint32_t end = uint32_t(static_cast<const char*>(second) - line);
    if (end == start) return 1;  // "" : an empty name
    return directory.Append(line + start, end - start);
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
