// The key=value descriptions of windows and controls that commands print.
#pragma once

#include <windows.h>

#include <string>

namespace qzdrive {

// hwnd pid title class x y width height rect client_width client_height
// style exstyle owner owner_title owner_class visible enabled, each key
// preceded by prefix.
void EmitWindow(HWND window, const std::string &prefix = "");

// name hwnd class text id visible enabled x y width height rect parent
// parent_x parent_y parent_rect main main_x main_y main_rect.
void EmitControl(HWND control, HWND main, const std::string &prefix = "");

}  // namespace qzdrive
