#include "transfer/core/listing_filter.h"

#include <cstring>

namespace {

constexpr size_t kMaxTyped = 255;

char Upper(char c, const CaseFold* fold) {
    if (fold) return char(fold->upper[static_cast<unsigned char>(c)]);
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

// One pattern p[0, plen) against name[0, nlen); lastDot is the offset of the
// name's last "." (nlen when it has none). Each step moves i or j forward.
bool MatchOne(const char* name, size_t nlen, size_t lastDot, const char* p, size_t plen, const CaseFold* fold) {
    size_t i = 0, j = 0;
    while (i < nlen) {
        char n = Upper(name[i], fold);
        if (j < plen && (Upper(p[j], fold) == n || p[j] == '?')) {
            ++i;
            ++j;
        } else if (j < plen && p[j] == '*') {
            if (i != lastDot) {
                ++i;  // the "*" takes it
                continue;
            }
            ++j;
            if (j == plen) break;
            while (j < plen && p[j] != '.') ++j;
            if (j == plen) break;
            ++i;
            ++j;
        } else {
            break;
        }
    }
    return j == plen || (j + 1 == plen && p[j] == '*' && i == nlen);
}

}  // namespace

uint16_t MatchFilePattern(const char* name, const char* patterns, const CaseFold* fold) {
    if (!patterns) return 0;
    if (!name) name = "";
    const size_t nlen = std::strlen(name);
    const char* dot = std::strrchr(name, '.');
    const size_t lastDot = dot ? size_t(dot - name) : nlen;
    const size_t total = std::strlen(patterns);
    size_t pos = 0;
    while (pos <= total) {
        const void* semicolon = std::memchr(patterns + pos, ';', total - pos);
        size_t end = semicolon ? size_t(static_cast<const char*>(semicolon) - patterns) : total;
        if (end > pos && MatchOne(name, nlen, lastDot, patterns + pos, end - pos, fold)) return 1;
        pos = end + 1;
    }
    return 0;
}

void EffectivePattern(const char* typed, const char* filterPattern, TextBuffer& out) {
    out.Clear();
    if (!typed) typed = "";
    size_t n = 0;
    while (n < kMaxTyped && typed[n] != '\0') ++n;
    const char* chosen = typed;
    if (!std::memchr(typed, '*', n) && !std::memchr(typed, '?', n)) {
        chosen = filterPattern ? filterPattern : "";
        n = std::strlen(chosen);
    }
    if (n == 3 && std::memcmp(chosen, "*.*", 3) == 0) n = 1;
    if (n == 0 || n >= TextBuffer::kMaxCapacity || !out.Assign(chosen, uint32_t(n))) out.Clear();
}

uint16_t ShowEntry(const char* entryText, const char* rawLine, const char* pattern, uint16_t directoriesOnly,
                   const CaseFold* fold) {
    const uint16_t neverHidden = (rawLine && rawLine[0] != '\0' && rawLine[0] != '-') ? 1 : 0;
    if (directoriesOnly) return neverHidden;
    const char* name = (entryText && entryText[0] != '\0') ? entryText + 1 : "";
    if (MatchFilePattern(name, pattern, fold)) return 1;
    return neverHidden;
}
