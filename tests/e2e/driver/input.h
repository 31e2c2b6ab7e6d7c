// Mouse and keyboard input for the program under test.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace qzdrive {

// Moves the mouse to a screen point and clicks the left button, all through
// SendInput, so that the system's own hit-testing picks the window. Returns
// where the cursor ended up.
POINT RealClick(POINT screen);

// Posts WM_MOUSEMOVE, WM_LBUTTONDOWN and WM_LBUTTONUP to window, at the
// client position of the screen point.
void PostClick(HWND window, POINT screen);

// "Enter", "Escape", "Tab", "F5", "A", "0x41", ...; nullopt when unknown.
std::optional<WORD> VirtualKeyFromName(const std::wstring &name);

// Posts WM_KEYDOWN and WM_KEYUP to window; the program's own message loop
// translates them into characters.
void PostKey(HWND window, WORD virtualKey);

// Presses and releases a key through SendInput: it goes to the window that
// has the keyboard focus.
void InputKey(WORD virtualKey);

// Sends (or posts) WM_CHAR for each UTF-16 unit of text.
void TypeCharacters(HWND window, const std::wstring &text, bool post);

}  // namespace qzdrive
