#include "program_starts.h"

#include "../installers.h"
#include "../system_folder.h"
#include "../unique_handle.h"
#include "handles.h"
#include "off_thread.h"
#include "system_libraries.h"
#include "wide.h"

#include <shellapi.h>

namespace qz::win {

namespace {

// Hands a start to the shell off the UI thread, in an apartment of that
// thread's own, and returns when the shell has: on Vista and later a program
// that the system takes for an installer (named setup.exe, say), or one
// started "runas", waits for the operator at the consent prompt, and the
// launcher's window paints and answers meanwhile. SEE_MASK_NOASYNC: the
// thread ends when the call returns.
void ExecuteOffUiThread(SHELLEXECUTEINFOW &start)
{
    start.cbSize = sizeof start;
    start.fMask |= SEE_MASK_NOASYNC;
    RunOffUiThread([&start] {
        const ComApartment com(ComApartment::Kind::ComOnly);
        ShellExecuteExW(&start);
    });
}

// Windows Vista and later say whether the process token is elevated; older
// systems have no User Account Control and refuse the question.
bool RunsUnelevatedUnderUac()
{
    UniqueKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size))
        return false;
    return elevation.TokenIsElevated == 0;
}

// Through the system's elevation (its consent prompt), hidden, not waited
// for. Declined or failed: nothing is reported, as a hidden start reports
// nothing.
void StartElevated(HWND owner, const SystemCommand &command)
{
    const std::wstring file = Widen(command.application);
    const std::wstring parameters = Widen(command.parameters);
    const std::wstring directory = Widen(command.directory);
    SHELLEXECUTEINFOW start{};
    start.hwnd = owner;
    start.lpVerb = L"runas";
    start.lpFile = file.c_str();
    start.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    start.lpDirectory = directory.c_str();
    start.nShow = SW_HIDE;
    ExecuteOffUiThread(start);
}

}  // namespace

void OpenThroughShell(HWND owner, std::string_view path)
{
    const std::wstring file = Widen(path);
    SHELLEXECUTEINFOW start{};
    // As ShellExecute: a failure shows no box of the shell's own.
    start.fMask = SEE_MASK_FLAG_NO_UI;
    start.hwnd = owner;
    start.lpVerb = L"open";
    start.lpFile = file.c_str();
    start.nShow = SW_SHOWNORMAL;
    ExecuteOffUiThread(start);
}

Status RunSystemCommandHidden(HWND owner, std::string_view commandLine)
{
    // The system's own program, by its full path: a file of that name beside
    // the launcher (on a medium, in a downloads folder) is never the one run.
    const Result<std::string> folder = SystemFolder();
    if (!folder)
        return folder.Failure();
    const Result<SystemCommand> found = SystemCommandFor(commandLine, *folder);
    if (!found)
        return found.Failure();
    const SystemCommand &command = *found;
    // Starting a service needs an administrator.
    if (RunsUnelevatedUnderUac()) {
        StartElevated(owner, command);
        return {};
    }
    const std::wstring application = Widen(command.application);
    std::wstring line = Widen(command.commandLine);
    const std::wstring directory = Widen(command.directory);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                       &startup, &process)) {
        // Not waited for: it runs on its own.
        const UniqueKernelHandle thread(process.hThread);
        const UniqueKernelHandle started(process.hProcess);
    }
    return {};
}

}  // namespace qz::win
