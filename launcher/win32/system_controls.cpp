#include "system_controls.h"

#include "wide.h"

#include <string>

namespace qz::win {

namespace {

std::wstring WindowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

}  // namespace

void EditField::Attach(HWND window)
{
    window_ = window;
    if (control_.Row().flags & kPassword)
        SendMessageW(window, EM_SETPASSWORDCHAR, L'*', 0);
}

void EditField::OnCommand(WORD code)
{
    if (code == EN_CHANGE)
        control_.TextEditedByUser(Narrow(WindowText(window_)));
}

void PushButton::OnCommand(WORD code)
{
    if (code == BN_CLICKED)
        events_.Click(control_);
}

}  // namespace qz::win
