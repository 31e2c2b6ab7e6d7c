#include "tab_navigation.h"

#include "control_kinds.h"

#include <algorithm>
#include <vector>

namespace qz::win {

namespace {

void Append(std::span<const ControlWindow> windows, std::string_view parent,
            std::vector<const ControlWindow *> &sequence)
{
    // A handful of rows: each put after those of a lower or equal tab order
    // (ties keep the layout's order).
    std::vector<const ControlSpec *> children;
    for (const ControlSpec &row : Layout()) {
        if (row.parent != parent || row.tabOrder < 0)
            continue;
        auto at = children.end();
        while (at != children.begin() && (*(at - 1))->tabOrder > row.tabOrder)
            --at;
        children.insert(at, &row);
    }
    for (const ControlSpec *row : children) {
        const ControlWindow *record = FindControlWindow(windows, row->name);
        if (record == nullptr)
            continue;
        HWND window = record->window.get();
        if (!IsWindowVisible(window) || !IsWindowEnabled(window))
            continue;
        if (WindowKindOf(row->kind)->container)
            Append(windows, row->name, sequence);
        else
            sequence.push_back(record);
    }
}

}  // namespace

bool MoveFocusForTab(const MSG &message, HWND main, std::span<const ControlWindow> windows)
{
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB)
        return false;
    if (main == nullptr || (message.hwnd != main && !IsChild(main, message.hwnd)))
        return false;
    std::vector<const ControlWindow *> sequence;
    Append(windows, "", sequence);
    if (sequence.empty())
        return true;
    HWND focus = GetFocus();
    auto at = std::find_if(sequence.begin(), sequence.end(), [focus](const ControlWindow *record) {
        return record->window.get() == focus || IsChild(record->window.get(), focus);
    });
    const bool backwards = GetKeyState(VK_SHIFT) < 0;
    std::size_t next = 0;
    if (at != sequence.end()) {
        const std::size_t index = static_cast<std::size_t>(at - sequence.begin());
        next = backwards ? (index + sequence.size() - 1) % sequence.size() : (index + 1) % sequence.size();
    } else if (backwards) {
        next = sequence.size() - 1;
    }
    HWND target = sequence[next]->window.get();
    SetFocus(target);
    if (WindowKindOf(sequence[next]->control.Row().kind)->selectsTextOnTab)
        SendMessageW(target, EM_SETSEL, 0, -1);
    return true;
}

}  // namespace qz::win
