#include "frame/strings.h"

#include <cstdarg>
#include <cstdio>

#include "frame/module.h"

int LoadResourceString(uint16_t id, char* dest, int size) {
    if (!dest || size <= 0) return 0;
    dest[0] = '\0';
    HINSTANCE source = id <= kLastLibraryStringId ? ModuleInstance : ResourceModule;
    if (!source) return 0;
    int n = LoadStringA(source, id, dest, size);
    if (n <= 0) {
        dest[0] = '\0';
        return 0;
    }
    return n;
}

int LoadStringInto(uint16_t id, TextBuffer& buffer) {
    char text[kStringArraySize];
    int n = LoadResourceString(id, text, sizeof text);
    buffer.Clear();
    if (n == 0) return 0;
    buffer.Append(text, static_cast<uint32_t>(n));
    return n;
}

uint16_t AppendFormatted(TextBuffer& buffer, uint16_t id, int mode, ...) {
    if (id == 0) return 0;
    char format[kStringArraySize];
    if (LoadResourceString(id, format, sizeof format) == 0) return 0;
    if (mode != 1) return buffer.Append(format);
    char text[kStringArraySize];
    va_list args;
    va_start(args, mode);
    int n = vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0) return 0;
    text[sizeof text - 1] = '\0';
    return buffer.Append(text);
}

int ShowMessage(const char* text, const char* caption, UINT style, HWND owner) {
    return MessageBoxA(owner, text ? text : "", caption ? caption : "", style);
}

int ShowMessageById(uint16_t textId, const char* caption, UINT style, HWND owner) {
    char text[kStringArraySize];
    LoadResourceString(textId, text, sizeof text);
    return ShowMessage(text, caption, style, owner);
}

int ShowMessageCaptionById(const char* text, uint16_t captionId, UINT style, HWND owner) {
    char caption[kStringArraySize];
    LoadResourceString(captionId, caption, sizeof caption);
    return ShowMessage(text, caption, style, owner);
}

int ShowMessageByIds(uint16_t textId, uint16_t captionId, UINT style, HWND owner) {
    char text[kStringArraySize];
    char caption[kStringArraySize];
    LoadResourceString(textId, text, sizeof text);
    LoadResourceString(captionId, caption, sizeof caption);
    return ShowMessage(text, caption, style, owner);
}
