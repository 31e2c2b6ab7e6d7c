// Tab and Shift+Tab between the controls, in the layout's tab orders, depth
// first through the containers; hidden and disabled windows are skipped.
#pragma once

#include <windows.h>

#include <map>
#include <string_view>
#include <vector>

namespace qz::win {

class TabNavigation {
public:
    // The windows of the controls by name, and the window they lie on (both
    // held by the caller, filled in as the windows are made).
    TabNavigation(const std::map<std::string_view, HWND> &windows, const HWND &main) : windows_(windows), main_(main) {}

    // Moves the focus for a Tab pressed in the main window or a window on
    // it; false for any other message (which goes on as usual).
    bool Handle(const MSG &message) const;

private:
    std::vector<HWND> Sequence() const;
    void Append(std::string_view parent, std::vector<HWND> &sequence) const;

    const std::map<std::string_view, HWND> &windows_;
    const HWND &main_;
};

}  // namespace qz::win
