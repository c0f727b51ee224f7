#include "transfer/temp_file.h"

#include <windows.h>

#include <cstring>

#include "frame/strings.h"
#include "frame/core/text_buffer.h"
#include "transfer/core/url_parts.h"

namespace {
constexpr int kMaxAttempts = 16;
}

uint16_t MakeTempFileName(uint16_t prefixId, char* buffer, uint16_t size, const char* extension) {
    if (buffer && size) buffer[0] = '\0';
    TextBuffer prefix(64);
    LoadStringInto(prefixId, prefix);
    char prefixText[64];
    std::memcpy(prefixText, prefix.Text(), prefix.length < 63 ? prefix.length : 63);
    prefixText[prefix.length < 63 ? prefix.length : 63] = '\0';

    char folder[MAX_PATH + 1];
    DWORD n = GetTempPathA(MAX_PATH - 14, folder);
    if (n == 0 || n >= MAX_PATH - 14) return 0;

    char name[MAX_PATH + 1];
    if (!GetTempFileNameA(folder, prefixText, 0, name)) return 0;
    uint16_t made = 1;
    if (extension && IsSafeExtension(extension)) {
        // The system's name is unique only with its own extension: keep each
        // such file until a name with ours could be created anew.
        char kept[kMaxAttempts][MAX_PATH + 1];
        int keptCount = 0;
        made = 0;
        for (int attempt = 0; attempt < kMaxAttempts && !made; ++attempt) {
            if (attempt > 0 && !GetTempFileNameA(folder, prefixText, 0, name)) break;
            std::memcpy(kept[keptCount++], name, sizeof name);
            char* dot = std::strrchr(name, '.');
            char* slash = std::strrchr(name, '\\');
            if (!dot || (slash && dot < slash)) dot = name + std::strlen(name);
            size_t extensionLength = std::strlen(extension);
            if (static_cast<size_t>(dot - name) + extensionLength > MAX_PATH) break;
            std::memcpy(dot, extension, extensionLength + 1);
            HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                CloseHandle(file);
                made = 1;
            } else if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
                break;
            }
        }
        if (!made) {
            // Fall back to the system's own name, which exists already.
            std::memcpy(name, kept[--keptCount], sizeof name);
            made = 1;
        }
        for (int i = 0; i < keptCount; ++i) DeleteFileA(kept[i]);
    }
    if (buffer && size) {
        size_t length = std::strlen(name);
        if (length >= size) length = size - 1u;
        std::memcpy(buffer, name, length);
        buffer[length] = '\0';
    }
    return made;
}
