#include "platform.h"

#include "../errors.h"
#include "../installers.h"
#include "../program_folder.h"
#include "../registry.h"
#include "../system_folder.h"
#include "../texts.h"
#include "../unique_handle.h"
#include "handles.h"
#include "modal.h"
#include "system_libraries.h"
#include "wide.h"

#include <shellapi.h>

#include <vector>

namespace qz::win {

// The portable code names these Windows values as numbers; here, where
// they reach Windows, they are held to its headers.
static_assert(kBoxNotice == (MB_OK | MB_ICONINFORMATION));
static_assert(kBoxError == (MB_OK | MB_ICONERROR));
static_assert(kBoxSetupPrompt == (MB_YESNO | MB_ICONINFORMATION));
static_assert(kBoxQuestion == (MB_YESNO | MB_ICONQUESTION));
static_assert(kAnswerYes == IDYES && kAnswerNo == IDNO);
static_assert(kRegSz == REG_SZ && kRegExpandSz == REG_EXPAND_SZ);

namespace {

class MachineKeys final : public Registry {
public:
    bool OpenKey(std::string_view path) override
    {
        CloseKey();
        // Reading is all the probe needs; full access is refused to an
        // operator without elevation, which would hide an installed engine.
        constexpr REGSAM view = EngineKeyView(sizeof(void *)) == RegistryView::Bits32 ? KEY_WOW64_32KEY : 0;
        return RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(path).c_str(), 0, KEY_READ | view, key_.put()) == ERROR_SUCCESS;
    }

    std::optional<std::uint32_t> ValueSize(std::string_view name) override
    {
        DWORD size = 0;
        if (!key_ ||
            RegQueryValueExW(key_.get(), Widen(name).c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        return size;
    }

    std::optional<Value> ReadValue(std::string_view name, std::uint32_t size) override
    {
        if (!key_)
            return std::nullopt;
        // Two spare zero characters after the buffer the query fills, so
        // that a string stored without its terminator still ends.
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
        DWORD type = 0;
        DWORD got = size;
        if (RegQueryValueExW(key_.get(), Widen(name).c_str(), nullptr, &type, reinterpret_cast<BYTE *>(buffer.data()),
                             &got) != ERROR_SUCCESS)
            return std::nullopt;
        Value value;
        value.type = type;
        if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)
            value.text = Narrow(std::wstring_view(buffer.data(), got / sizeof(wchar_t)));
        return value;
    }

    void CloseKey() override { key_.reset(); }

private:
    UniqueKey key_;
};

}  // namespace

std::unique_ptr<Registry> MachineRegistry()
{
    return std::make_unique<MachineKeys>();
}

void Platform::Attach(HWND application, HWND main)
{
    application_ = application;
    main_ = main;
    shell_.SetOwner(main);
}

int Platform::ShowMessageBox(std::string_view text, std::string_view title, unsigned flags)
{
    const std::wstring wideText = Widen(text);
    const std::wstring wideTitle = Widen(title);
    // Modal to the whole program: the box disables its owner itself.
    const ModalScope modal(application_);
    return MessageBoxW(application_, wideText.c_str(), wideTitle.c_str(), flags);
}

std::string Platform::ProgramFolder()
{
    // The whole path, however deep the folder: no cap at MAX_PATH.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            Fatal("cannot read the program's own path");
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return FolderOfPath(Narrow(path));
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

}  // namespace

void Platform::ShellOpen(std::string_view path)
{
    const std::wstring file = Widen(path);
    SHELLEXECUTEINFOW start{};
    // As ShellExecute: a failure shows no box of the shell's own.
    start.fMask = SEE_MASK_FLAG_NO_UI;
    start.hwnd = main_;
    start.lpVerb = L"open";
    start.lpFile = file.c_str();
    start.nShow = SW_SHOWNORMAL;
    ExecuteOffUiThread(start);
}

namespace {

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

Status Platform::RunHidden(std::string_view commandLine)
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
        StartElevated(main_, command);
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

bool Platform::CanRead(std::string_view path)
{
    const std::wstring wide = Widen(path);
    bool readable = false;
    // Opening a file on a slow medium may take the drive's spin-up: off the
    // UI thread too.
    RunOffUiThread([&] {
        readable =
            static_cast<bool>(AdoptFile(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    });
    return readable;
}

namespace {

// The cursor of whatever lies under the pointer now, as that window of ours
// sets it; not only at the pointer's next move.
void RefreshCursor()
{
    POINT at;
    if (!GetCursorPos(&at))
        return;
    HWND under = WindowFromPoint(at);
    if (under == nullptr || GetWindowThreadProcessId(under, nullptr) != GetCurrentThreadId())
        return;
    const auto hit = static_cast<WORD>(SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)));
    SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(hit, WM_MOUSEMOVE));
}

}  // namespace

void Platform::SetBusy(bool busy)
{
    cursors_.SetBusy(busy);
    if (busy) {
        // Paint what the handler has set so far (the status label) before
        // the window stops responding.
        RedrawWindow(main_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        SetCursor(Cursors::Wait());
    } else {
        RefreshCursor();
    }
}

}  // namespace qz::win
