#include "system_folder.h"

#include "errors.h"

namespace qz {

namespace {

// A name that holds a separator, a drive or a wildcard would leave the
// system folder, or be searched for.
Status RequirePlainName(std::string_view name, std::string_view what)
{
    if (name.empty() || name.find_first_of("\\/:*?\"<>|") != std::string_view::npos || name == "." || name == "..")
        return Error("not a plain " + std::string(what) + " name: \"" + std::string(name) + "\"");
    return {};
}

std::string InFolder(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    return path + std::string(name);
}

}  // namespace

Result<SystemCommand> SystemCommandFor(std::string_view line, std::string_view systemFolder)
{
    if (systemFolder.empty())
        return Error("no system folder");
    const auto space = line.find(' ');
    const std::string_view program = line.substr(0, space);
    if (Status plain = RequirePlainName(program, "program"); !plain)
        return plain.Failure();
    std::string file(program);
    if (file.find('.') == std::string::npos)
        file += ".exe";

    SystemCommand command;
    command.application = InFolder(systemFolder, file);
    if (space != std::string_view::npos)
        command.parameters = std::string(line.substr(space + 1));
    // Quoted: a system folder with a space must not be cut at it.
    command.commandLine = "\"" + command.application + "\"";
    if (!command.parameters.empty())
        command.commandLine += " " + command.parameters;
    command.directory = std::string(systemFolder);
    return command;
}

Result<std::string> SystemLibraryPath(std::string_view systemFolder, std::string_view library)
{
    if (systemFolder.empty())
        return Error("no system folder");
    if (Status plain = RequirePlainName(library, "library"); !plain)
        return plain.Failure();
    return InFolder(systemFolder, library);
}

}  // namespace qz
