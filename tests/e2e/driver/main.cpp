// qzdrive: drives the setup launcher from outside, one command per run.
//
//   qzdrive <command> [arguments] [--options]
//
// Results are key=value lines in UTF-8 on stdout. Exit code 0: done;
// 1: an expectation failed or a wait timed out (message on stderr);
// 2: wrong arguments. "qzdrive help" lists the commands; tests/e2e/README.md
// describes them and their keys.
#include "commands.h"
#include "output.h"
#include "wait.h"
#include "window_query.h"

#include <windows.h>

#include <cstdint>
#include <string_view>

namespace qzdrive {

std::optional<DWORD> PidOption(const Args &args)
{
    const auto pid = args.Integer(L"pid");
    if (!pid)
        return std::nullopt;
    return static_cast<DWORD>(*pid);
}

long long TimeoutOption(const Args &args)
{
    return args.Integer(L"timeout-ms", kDefaultTimeoutMs);
}

HWND WaitMain(const Args &args)
{
    const long long timeout = TimeoutOption(args);
    const auto pid = PidOption(args);
    HWND main = Deadline(timeout).Poll([&] { return FindMainWindow(pid); });
    if (!main)
        throw Failure{L"no launcher main window (class TForm_qz) within " + std::to_wstring(timeout) + L" ms"};
    return main;
}

void Settle(HWND window, int rounds)
{
    for (int i = 0; i < rounds; ++i) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result))
            return;  // gone, or busy: nothing more to wait for here
    }
}

namespace {

struct CommandEntry {
    const wchar_t *name;
    void (*run)(const Words &);
    const wchar_t *usage;
};

constexpr CommandEntry kCommands[] = {
    {L"window", WindowCommand,
     L"window [--class C] [--title T] [--title-contains T] [--pid N] [--hidden] [--timeout-ms N]"},
    {L"wait-gone", WaitGoneCommand,
     L"wait-gone [--hwnd H | --class C | --title T | --title-contains T | --pid N] [--hidden] [--timeout-ms N]"},
    {L"windows", WindowsCommand, L"windows [--pid N | --all]"},
    {L"control", ControlCommand,
     L"control NAME [--visible 0|1] [--enabled 0|1] [--text T] [--pid N] [--timeout-ms N]"},
    {L"controls", ControlsCommand, L"controls [--pid N] [--timeout-ms N]"},
    {L"get-text", GetTextCommand, L"get-text NAME [--pid N] [--timeout-ms N]"},
    {L"text-width", TextWidthCommand, L"text-width EDIT --face NAME --height PIXELS [--pid N] [--timeout-ms N]"},
    {L"set-text", SetTextCommand, L"set-text NAME TEXT [--pid N] [--timeout-ms N]"},
    {L"type", TypeCommand, L"type NAME TEXT [--append | --replace] [--post] [--pid N] [--timeout-ms N]"},
    {L"key", KeyCommand, L"key NAME KEY | key --input KEY   [--pid N] [--timeout-ms N]"},
    {L"click", ClickCommand,
     L"click (--control NAME [--x X --y Y] | --x X --y Y) [--even-disabled] [--pid N] [--timeout-ms N]"},
    {L"post-click", PostClickCommand,
     L"post-click (--control NAME [--x X --y Y] | --x X --y Y) [--pid N] [--timeout-ms N]"},
    {L"tree", TreeCommand, L"tree [NAME] [--path A|B|C] [--children] [--pid N] [--timeout-ms N]"},
    {L"tree-select", TreeSelectCommand, L"tree-select [NAME] --path A|B|C [--pid N] [--timeout-ms N]"},
    {L"tree-click", TreeClickCommand, L"tree-click [NAME] --path A|B|C [--pid N] [--timeout-ms N]"},
    {L"show", ShowCommand, L"show NAME [--hide] [--pid N] [--timeout-ms N]"},
    {L"msgbox", MsgBoxCommand, L"msgbox [--title T] [--pid N | --any] [--timeout-ms N]"},
    {L"msgbox-press", MsgBoxPressCommand,
     L"msgbox-press (--id N | --text T) [--click] [--no-wait] [--title T] [--pid N | --any] [--timeout-ms N]"},
    {L"wait-no-msgbox", WaitNoMsgBoxCommand, L"wait-no-msgbox [--title T] [--pid N | --any] [--timeout-ms N]"},
    {L"focus", FocusCommand, L"focus [--pid N] [--timeout-ms N]"},
    {L"dpi", DpiCommand, L"dpi"},
    {L"drive", DriveCommand, L"drive ROOT"},
    {L"probe", ProbeCommand, L"probe [--for-ms N] [--every-ms N] [--reply-ms N] [--pid N] [--timeout-ms N]"},
    {L"syscommand", SysCommandCommand,
     L"syscommand (--class C | --title T | --title-contains T | --pid N) --command close|minimize|restore [--hidden] [--timeout-ms N]"},
};

std::wstring UsageText()
{
    std::wstring text = L"usage: qzdrive <command> [arguments]\n";
    for (const auto &command : kCommands)
        text += L"  " + std::wstring(command.usage) + L"\n";
    return text;
}

int Run(int argc, wchar_t **argv)
{
    if (argc < 2) {
        WriteStderr(UsageText());
        return 2;
    }
    const std::wstring_view name = argv[1];
    if (name == L"help" || name == L"--help") {
        WriteStdout(UsageText());
        return 0;
    }
    const Words words(argv + 2, argv + argc);
    for (const auto &command : kCommands) {
        if (name != command.name)
            continue;
        try {
            command.run(words);
            return 0;
        } catch (const Failure &failure) {
            Complain(failure.message);
            return 1;
        } catch (const UsageError &error) {
            Complain(error.message);
            Complain(L"usage: qzdrive " + std::wstring(command.usage));
            return 2;
        }
    }
    Complain(L"unknown command '" + std::wstring(name) + L"'");
    WriteStderr(UsageText());
    return 2;
}

}  // namespace

}  // namespace qzdrive

namespace {

// A crash says so on stderr with its code and address, and ends with exit
// code 3: otherwise Wine's debugger takes the process and it ends with 1,
// the code of a failed expectation, and no word.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS *exception)
{
    const EXCEPTION_RECORD &record = *exception->ExceptionRecord;
    qzdrive::Complain(L"crashed: exception " + qzdrive::Hex(static_cast<std::uintptr_t>(record.ExceptionCode)) +
                      L" at " + qzdrive::Hex(reinterpret_cast<std::uintptr_t>(record.ExceptionAddress)));
    ExitProcess(3);
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    // The harness tells a process that Wine ended before any of this ran
    // (no mark) from one that failed without a word after it had started.
    wchar_t mark[1024];
    const DWORD length = GetEnvironmentVariableW(L"QZDRIVE_STARTED", mark, 1024);
    if (length > 0 && length < 1024) {
        HANDLE file = CreateFileW(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    SetUnhandledExceptionFilter(ReportCrash);
    // Screen coordinates in pixels, whatever the dots per inch.
    SetProcessDPIAware();
    return qzdrive::Run(argc, argv);
}
