#pragma once
// Pictures of windows as they are on the screen (under Xvfb, the record of a headless run).
#include <windows.h>

#include <string>

namespace k20::printhost {

// Saves what the screen shows inside the window's rectangle as a 24-bit bitmap file.
bool SaveWindowBitmap(HWND w, const std::wstring& path);

}  // namespace k20::printhost
