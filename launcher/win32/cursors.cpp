#include "cursors.h"

namespace qz::win {

namespace {

// The cursor of whatever lies under the pointer now, as that window of ours
// sets it; not only at the pointer's next move.
void RefreshCursor()
{
    POINT at;
    if (!GetCursorPos(&at))
        return;
    HWND under = WindowFromPoint(at);
    if (under == nullptr || GetWindowThreadProcessId(under, nullptr) != GetCurrentThreadId())
        return;
    const auto hit = static_cast<WORD>(SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)));
    SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(hit, WM_MOUSEMOVE));
}

}  // namespace

Cursors::Cursors(HINSTANCE instance) : hand_(LoadCursorW(instance, L"HANDPOINT"))
{
    if (hand_ == nullptr)
        hand_ = LoadCursorW(nullptr, IDC_HAND);
}

HCURSOR Cursors::For(CursorKind kind) const
{
    if (busy_)
        return Wait();
    return kind == CursorKind::Hand ? hand_ : LoadCursorW(nullptr, IDC_ARROW);
}

void ShowBusy(Cursors &cursors, HWND main, bool busy)
{
    cursors.SetBusy(busy);
    if (busy) {
        // Paint what the handler has set so far (the status label) before
        // the window stops responding.
        RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        SetCursor(Cursors::Wait());
    } else {
        RefreshCursor();
    }
}

}  // namespace qz::win
