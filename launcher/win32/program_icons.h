// The program's icon from its resources, in the two sizes that the task bar,
// the title and Alt+Tab show; kept while the window classes that name it are.
#pragma once

#include "handles.h"

#include <windows.h>

namespace qz::win {

struct ProgramIcons {
    explicit ProgramIcons(HINSTANCE instance)
        : big(static_cast<HICON>(LoadImageW(instance, L"MAINICON", IMAGE_ICON, 32, 32, 0))),
          small(static_cast<HICON>(LoadImageW(instance, L"MAINICON", IMAGE_ICON, 16, 16, 0)))
    {}

    UniqueIcon big;
    UniqueIcon small;
};

}  // namespace qz::win
