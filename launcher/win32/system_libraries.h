// Where the launcher finds the system's libraries: in the system folder, by
// full path, never by a bare name that Windows would first look for in the
// launcher's own folder (a medium, a downloads folder) or the current one.
#pragma once

#include "../errors.h"

#include <windows.h>

#include <string>

namespace qz::win {

// The system folder, as GetSystemDirectoryW names it (for a 32-bit program
// on 64-bit Windows, the name that the redirection maps to its 32-bit
// copies). Fails when Windows cannot say.
Result<std::string> SystemFolder();

// The first call in the program's entry: from here on, a library loaded by a
// bare name (by the launcher or by a system library on its behalf) comes from
// the system folder. Where Windows cannot restrict its search, the libraries
// that system code is known to load by name on the launcher's paths are
// loaded by full path now, so that the later load by name finds them loaded.
void RestrictLibrarySearch();

// A library of the system folder by its full path, its own imports found
// there first; nullptr when it cannot be loaded. Together with the library,
// those that it is known to load by name itself where the search could not
// be restricted (ODBC's).
HMODULE LoadSystemLibrary(const char *name);

}  // namespace qz::win
