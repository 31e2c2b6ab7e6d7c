#include "modal.h"

#include "../texts.h"
#include "wide.h"

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

// The portable code names these values as numbers; here, where they reach
// Windows, they are held to its headers.
static_assert(kBoxNotice == (MB_OK | MB_ICONINFORMATION));
static_assert(kBoxError == (MB_OK | MB_ICONERROR));
static_assert(kBoxSetupPrompt == (MB_YESNO | MB_ICONINFORMATION));
static_assert(kBoxQuestion == (MB_YESNO | MB_ICONQUESTION));
static_assert(kAnswerYes == IDYES && kAnswerNo == IDNO);

int ShowModalMessageBox(HWND owner, std::string_view text, std::string_view title, unsigned flags)
{
    const std::wstring wideText = Widen(text);
    const std::wstring wideTitle = Widen(title);
    // Modal to the whole program: the box disables its owner itself.
    const ModalScope modal(owner);
    return MessageBoxW(owner, wideText.c_str(), wideTitle.c_str(), flags);
}

}  // namespace qz::win
