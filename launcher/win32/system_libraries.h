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

// The kernel's function of that name; nullptr where this Windows has none.
// What the launcher asks of the library search is decided by what the
// system offers, never by the version it reports (which a compatibility
// setting can make any older one). In kernel_exports.cpp, alone: a test
// build links its own in its place.
FARPROC KernelExport(const char *name);

// True where Windows honours "<program>.local" (it knows no manifests:
// Windows 2000) and such a file or folder lies beside the launcher. Windows
// then takes every library that is no known DLL from the launcher's folder
// first, even when it is loaded by full path: nothing else may be loaded.
bool LibrariesRedirectedBesideProgram();

// The program's name with ".local": what LibrariesRedirectedBesideProgram
// found ("qz.exe.local"); empty when the name cannot be read.
std::string RedirectionFileName();

// The first call in the program's entry: from here on, a library loaded by a
// bare name (by the launcher or by a system library on its behalf) comes from
// the system folder. Where Windows cannot restrict its search, the libraries
// that system code is known to load by name on the launcher's paths are
// loaded by full path now, so that the later load by name finds them loaded.
// Once only: later calls do nothing.
void RestrictLibrarySearch();

// A library of the system folder by its full path, its own imports found
// there first; nullptr when it cannot be loaded. Where the search could not
// be restricted, those that it is known to load by name itself come first
// (ODBC's driver and its companions). Restricts the search first when the
// program's entry has not yet done so.
HMODULE LoadSystemLibrary(const char *name);

}  // namespace qz::win
