#pragma once

#include "errors.h"

#include <string>
#include <string_view>

namespace qz {

// How a program of the system is started: by its full path in the system
// folder, never by a bare name that the search would first look for beside
// the launcher (on the medium, or wherever the operator copied it).
struct SystemCommand {
    std::string application;  // the program's full path
    std::string commandLine;  // the quoted path, then the arguments
    std::string parameters;   // the arguments alone, for a start through the shell
    std::string directory;    // the current folder it is given
};

// The command for a line such as "net start mssqlserver": its first word is
// a program of the system folder (".exe" added when it has no extension),
// the rest its arguments. The program starts in the system folder, not in the
// launcher's current folder. Fails for an empty line or a first word that
// is a path.
Result<SystemCommand> SystemCommandFor(std::string_view line, std::string_view systemFolder);

// The full path of a library of the system folder ("odbc32.dll"). Fails for
// an empty name or one that holds a path.
Result<std::string> SystemLibraryPath(std::string_view systemFolder, std::string_view library);

}  // namespace qz
