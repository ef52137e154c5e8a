// What the screen shows of a window (frame included), saved as a PNG file.
#pragma once

#include <windows.h>

#include <string>

namespace tv {

bool SaveScreenshot(HWND window, const std::string& file);

} // namespace tv
