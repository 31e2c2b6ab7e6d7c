#include "tab_navigation.h"

#include "../layout.h"

#include <algorithm>

namespace qz::win {

void TabNavigation::Append(std::string_view parent, std::vector<HWND> &sequence) const
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
        const auto found = windows_.find(row->name);
        if (found == windows_.end())
            continue;
        HWND window = found->second;
        if (!IsWindowVisible(window) || !IsWindowEnabled(window))
            continue;
        if (row->kind == ControlKind::Panel || row->kind == ControlKind::GroupBox)
            Append(row->name, sequence);
        else
            sequence.push_back(window);
    }
}

std::vector<HWND> TabNavigation::Sequence() const
{
    std::vector<HWND> sequence;
    Append("", sequence);
    return sequence;
}

bool TabNavigation::Handle(const MSG &message) const
{
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB)
        return false;
    if (main_ == nullptr || (message.hwnd != main_ && !IsChild(main_, message.hwnd)))
        return false;
    const std::vector<HWND> sequence = Sequence();
    if (sequence.empty())
        return true;
    HWND focus = GetFocus();
    auto at = std::find_if(sequence.begin(), sequence.end(),
                           [focus](HWND window) { return window == focus || IsChild(window, focus); });
    const bool backwards = GetKeyState(VK_SHIFT) < 0;
    std::size_t next = 0;
    if (at != sequence.end()) {
        const std::size_t index = static_cast<std::size_t>(at - sequence.begin());
        next = backwards ? (index + sequence.size() - 1) % sequence.size() : (index + 1) % sequence.size();
    } else if (backwards) {
        next = sequence.size() - 1;
    }
    SetFocus(sequence[next]);
    wchar_t className[16] = {};
    GetClassNameW(sequence[next], className, 16);
    if (lstrcmpiW(className, L"EDIT") == 0)
        SendMessageW(sequence[next], EM_SETSEL, 0, -1);
    return true;
}

}  // namespace qz::win
