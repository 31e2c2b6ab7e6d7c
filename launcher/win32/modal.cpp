#include "modal.h"

namespace qz::win {

namespace {

struct Disabling {
    HWND boxOwner;
    std::vector<HWND> &disabled;
};

BOOL CALLBACK DisableWindow(HWND window, LPARAM context)
{
    auto &disabling = *reinterpret_cast<Disabling *>(context);
    if (window == disabling.boxOwner || !IsWindowVisible(window) || !IsWindowEnabled(window))
        return TRUE;
    disabling.disabled.push_back(window);
    EnableWindow(window, FALSE);
    return TRUE;
}

}  // namespace

ModalScope::ModalScope(HWND boxOwner) : active_(GetActiveWindow()), focus_(GetFocus())
{
    Disabling disabling{boxOwner, disabled_};
    EnumThreadWindows(GetCurrentThreadId(), DisableWindow, reinterpret_cast<LPARAM>(&disabling));
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
