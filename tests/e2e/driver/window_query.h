// Looking at the windows of other processes: texts, names, rectangles, searches.
#pragma once

#include "win32/automation.h"

#include <windows.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qzdrive {

// The class of dialog boxes, message boxes among them.
inline constexpr wchar_t kDialogClass[] = L"#32770";
// The dialog control id of a message box's text.
inline constexpr int kMessageTextId = 0xFFFF;

struct Rect {
    long left = 0;
    long top = 0;
    long right = 0;
    long bottom = 0;

    long Width() const { return right - left; }
    long Height() const { return bottom - top; }
    POINT Centre() const { return {left + Width() / 2, top + Height() / 2}; }
    // "left,top,right,bottom"
    std::wstring ToString() const;
};

// The window's text, asked of its own thread (WM_GETTEXT, at most 2 s).
std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
DWORD ProcessOf(HWND window);
DWORD ThreadOf(HWND window);

Rect ScreenRect(HWND window);
Rect ClientRect(HWND window);
// The window's screen rectangle in the client coordinates of reference.
Rect RectIn(HWND window, HWND reference);

// Top-level windows from top to bottom of the Z order.
std::vector<HWND> TopLevelWindows();
// Every descendant of parent, depth first.
std::vector<HWND> Descendants(HWND parent);

// What a top-level window must be like to be found.
struct WindowFilter {
    std::optional<std::wstring> className;
    std::optional<std::wstring> title;
    std::optional<std::wstring> titleContains;
    std::optional<DWORD> pid;
    bool includeHidden = false;

    bool Matches(HWND window) const;
};

std::vector<HWND> FindTopLevel(const WindowFilter &filter);

// The launcher's main window: the first visible one of class TForm_qz (of the
// process pid when given), else a hidden one; nullptr when there is none.
HWND FindMainWindow(std::optional<DWORD> pid);
// The processes that have a TForm_qz window.
std::set<DWORD> LauncherProcesses();
// Atom names ignore case, so control names do too: a name that matches an
// atom already in the table (such as the class name "Edit") reads back in that
// atom's spelling.
bool SameName(const std::wstring &a, const std::wstring &b);
// The descendant of main named name (in any case), or nullptr.
HWND FindControl(HWND main, const std::wstring &name);

// Visible message boxes (top-level #32770 dialogs) of the processes in pids,
// or of any process when pids is empty.
std::vector<HWND> FindMessageBoxes(const std::set<DWORD> &pids, const std::optional<std::wstring> &title);

// A button's text without its mnemonic: "是(&Y)" gives "是(Y)" and "是".
std::vector<std::wstring> ButtonTextForms(const std::wstring &text);

}  // namespace qzdrive
