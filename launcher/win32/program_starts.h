// Starting other programs: through the shell, as an operator's double-click
// would, and the system's own commands hidden, elevated where the system asks
// for it. Neither is waited for.
#pragma once

#include "../errors.h"

#include <windows.h>

#include <string_view>

namespace qz::win {

// The shell's verb "open" on the file, owned by the window, shown normally;
// a failure is not reported.
void OpenThroughShell(HWND owner, std::string_view path);

// A command line of the system folder's own programs, hidden; under User
// Account Control without elevation, through the system's consent prompt.
// Fails when the system folder cannot be had or the line names no program of
// it; that it did not start is not reported.
Status RunSystemCommandHidden(HWND owner, std::string_view commandLine);

}  // namespace qz::win
