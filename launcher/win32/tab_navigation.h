// Tab and Shift+Tab between the controls, in the layout's tab orders, depth
// first through the containers; hidden and disabled windows are skipped.
#pragma once

#include "control_window.h"

#include <windows.h>

#include <span>

namespace qz::win {

// Moves the focus for a Tab pressed in the main window or a window on it,
// among the windows made so far; false for any other message (which goes on
// as usual).
bool MoveFocusForTab(const MSG &message, HWND main, std::span<const ControlWindow> windows);

}  // namespace qz::win
