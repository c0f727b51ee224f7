#ifndef ORBNET_TRANSFER_LISTING_FILTER_H
#define ORBNET_TRANSFER_LISTING_FILTER_H

#include <cstdint>

#include "frame/core/text_buffer.h"

// The upper case of each byte, for matching without regard to case; the
// shell fills it from the platform's conversion (accented letters of the
// code page fold too). Without one, only a-z fold.
struct CaseFold {
    unsigned char upper[256];
};

// 1 when name matches one of the ";"-separated patterns (empty ones are
// skipped, so "" matches nothing). Bytes are compared through fold (null:
// only a-z count as A-Z). "?" stands for any one character. A
// "*" takes characters of the name until the name's last "."; there the
// pattern goes on after its next "." (what lies between the "*" and that
// "." is passed over), or matches at once when the "*" ends it. A pattern
// matches when it is used up, or when only one "*" is left of it with the
// name used up: "*.TXT" matches "README.TXT", "A*" "ABC.DOC", "AB" any name
// beginning with "AB", "*" everything, "*.*" only names with a ".".
// Both texts are terminated and matched whole, however long.
uint16_t MatchFilePattern(const char* name, const char* patterns, const CaseFold* fold = nullptr);

// The pattern the visible list uses: the typed text (its first 255
// characters) when those hold a "*" or "?", else filterPattern; "*.*"
// exactly becomes "*". out is empty when the pattern does not fit.
void EffectivePattern(const char* typed, const char* filterPattern, TextBuffer& out);

// Whether an entry is shown in the visible list. entryText is a listing
// entry (marker byte, then the name; a link: marker, space, name, " >",
// target), rawLine its listing line. Only plain Unix file lines (rawLine
// beginning with "-") and empty raw lines are ever hidden: with
// directoriesOnly always, otherwise when the text after the marker does not
// match pattern.
uint16_t ShowEntry(const char* entryText, const char* rawLine, const char* pattern, uint16_t directoriesOnly,
                   const CaseFold* fold = nullptr);

#endif
