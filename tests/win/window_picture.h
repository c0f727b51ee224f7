#ifndef ORBNET_TESTS_WINDOW_PICTURE_H
#define ORBNET_TESTS_WINDOW_PICTURE_H

#include <windows.h>

#include <string>

// Saves what a window shows, frame included, as a 24-bit BMP file, and
// prints "SCREENSHOT <path>". false when it could not be saved.
bool SaveWindowPicture(HWND window, const std::string& path);

#endif
