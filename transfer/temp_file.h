#ifndef ORBNET_TRANSFER_TEMP_FILE_H
#define ORBNET_TRANSFER_TEMP_FILE_H

#include <cstdint>

// Creates a new, empty file in the temporary folder whose name starts with
// the text of string prefixId, and copies its name into buffer (cut to
// size). With an extension that IsSafeExtension accepts, the file carries it
// instead of the system's own; with any other (one that Windows would run,
// ".exe", ".bat", ".js"...) it keeps the system's ".tmp". A file that exists
// already is never reused.
// 1 when a file was created.
uint16_t MakeTempFileName(uint16_t prefixId, char* buffer, uint16_t size, const char* extension);

#endif
