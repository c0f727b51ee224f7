#ifndef ORBNET_FRAME_EXPORTS_H
#define ORBNET_FRAME_EXPORTS_H

#include <windows.h>

// Copies a result text into a caller's buffer of the stated size; skipped for
// a null buffer or size 0. A text that does not fit is cut and terminated.
void CopyResult(char* dest, WORD size, const char* text);

#endif
