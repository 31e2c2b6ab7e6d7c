#include "modal.h"

namespace qz::win {

namespace {

BOOL CALLBACK DisableWindow(HWND window, LPARAM context)
{
    if (!IsWindowVisible(window) || !IsWindowEnabled(window))
        return TRUE;
    // Nothing may unwind through the enumeration: a window that cannot be
    // remembered is left enabled, and the rest too.
    try {
        reinterpret_cast<std::vector<HWND> *>(context)->push_back(window);
    } catch (...) {
        return FALSE;
    }
    EnableWindow(window, FALSE);
    return TRUE;
}

}  // namespace

ModalScope::ModalScope() : active_(GetActiveWindow()), focus_(GetFocus())
{
    EnumThreadWindows(GetCurrentThreadId(), DisableWindow, reinterpret_cast<LPARAM>(&disabled_));
}

ModalScope::~ModalScope()
{
    for (auto it = disabled_.rbegin(); it != disabled_.rend(); ++it)
        if (IsWindow(*it))
            EnableWindow(*it, TRUE);
    if (active_ != nullptr && IsWindow(active_))
        SetActiveWindow(active_);
    if (focus_ != nullptr && IsWindow(focus_))
        SetFocus(focus_);
}

}  // namespace qz::win
