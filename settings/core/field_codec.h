#ifndef ORBNET_SETTINGS_FIELD_CODEC_H
#define ORBNET_SETTINGS_FIELD_CODEC_H

#include <cstddef>
#include <cstdint>

#include "frame/core/text_buffer.h"

// Stored list fields are scrambled: each character becomes two lower-case hex
// digits ("abc" <-> "2dd68b").

// Encodes text into dest (destSize bytes, always terminated when destSize > 0).
// 1 when the whole text fitted (destSize >= 2 * length + 1); otherwise 0 and
// dest holds the pairs that fitted.
uint16_t EncodeField(const char* text, char* dest, size_t destSize);

// Appends the encoded text to out. 1 on success, 0 when the buffer cannot grow
// (out is then left as it was).
uint16_t AppendEncodedField(TextBuffer& out, const char* text);

// Decodes hex text into dest (destSize bytes, always terminated when
// destSize > 0). Each pair is read as strtol reads base 16; a final lone digit
// is a pair of its own. A decoded text longer than destSize - 1 is cut.
// Returns the length of the decoded text (up to its first zero byte).
uint16_t DecodeField(const char* hex, char* dest, size_t destSize);

// Ends the field that starts at position at its comma and returns the start
// of the next field; without a comma, the position of the terminator (so
// further fields read as empty).
char* SplitField(char* position);

#endif
