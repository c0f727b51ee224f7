#ifndef ORBNET_FRAME_STRINGS_H
#define ORBNET_FRAME_STRINGS_H

#include <windows.h>
#include <cstdint>

#include "frame/core/string_ids.h"
#include "frame/core/text_buffer.h"

// Ids up to 768 come from the library, from 769 up from the language module.
constexpr uint16_t kLastLibraryStringId = 768;
constexpr int kStringArraySize = 512;

// Characters stored (0 when the string does not exist); dest is always terminated.
int LoadResourceString(uint16_t id, char* dest, int size);
// Replaces the buffer's text by the string; its length, or 0 (buffer emptied).
int LoadStringInto(uint16_t id, TextBuffer& buffer);
// Appends the string (mode 1: formatted with the arguments, bounded to 511
// characters; any other mode: as it is). 0 when the id is 0 or the string is
// missing or empty.
uint16_t AppendFormatted(TextBuffer& buffer, uint16_t id, int mode, ...);

int ShowMessage(const char* text, const char* caption, UINT style, HWND owner);
int ShowMessageById(uint16_t textId, const char* caption, UINT style, HWND owner);
int ShowMessageCaptionById(const char* text, uint16_t captionId, UINT style, HWND owner);
int ShowMessageByIds(uint16_t textId, uint16_t captionId, UINT style, HWND owner);

#endif
