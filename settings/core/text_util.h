#ifndef ORBNET_SETTINGS_TEXT_UTIL_H
#define ORBNET_SETTINGS_TEXT_UTIL_H

#include <cstddef>
#include <cstdint>

#include "frame/core/text_buffer.h"

// Replaces the buffer's text by at most limit characters of text (null: empty).
uint16_t AssignCut(TextBuffer& buffer, const char* text, size_t limit);
// Equal without regard to ASCII letter case (null reads as empty).
bool EqualNoCase(const char* a, const char* b);

#endif
