#include "platform.h"

#include "machine_registry.h"
#include "modal.h"
#include "own_files.h"
#include "program_starts.h"

namespace qz::win {

void Platform::Attach(HWND application, HWND main)
{
    application_ = application;
    main_ = main;
    shell_.SetOwner(main);
}

int Platform::ShowMessageBox(std::string_view text, std::string_view title, unsigned flags)
{
    return ShowModalMessageBox(application_, text, title, flags);
}

std::string Platform::ProgramFolder()
{
    return OwnProgramFolder();
}

void Platform::CloseMainWindow()
{
    // Posted, so that the window is closed after the handler that asked for it.
    PostMessageW(main_, WM_CLOSE, 0, 0);
}

std::unique_ptr<Registry> Platform::OpenRegistry()
{
    return MachineRegistry();
}

void Platform::ShellOpen(std::string_view path)
{
    OpenThroughShell(main_, path);
}

Status Platform::RunHidden(std::string_view commandLine)
{
    return RunSystemCommandHidden(main_, commandLine);
}

void Platform::SetBusy(bool busy)
{
    ShowBusy(cursors_, main_, busy);
}

bool Platform::CanRead(std::string_view path)
{
    return CanReadFile(path);
}

}  // namespace qz::win
