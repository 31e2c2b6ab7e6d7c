// The launcher's reach into the rest of Windows: the registry and starting
// other programs.
#pragma once

#include "../services.h"

#include <windows.h>

#include <memory>
#include <string_view>

namespace qz::win {

// Read-only access to HKEY_LOCAL_MACHINE in its 32-bit view, where the 32-bit
// engine setup writes its key, whichever build reads it.
std::unique_ptr<Registry> MachineRegistry();

// ShellExecuteW(owner, "open", path, no parameters, no folder, SW_SHOWNORMAL).
void ShellOpen(HWND owner, std::string_view path);

// Starts a command line with its window hidden and lets it run on its own.
void RunHidden(std::string_view commandLine);

}  // namespace qz::win
