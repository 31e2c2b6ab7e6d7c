// Times the launcher's own listing of one folder's subfolders (what the
// folder tree asks of the shell when a folder is expanded), without a tree.
//
//   subfolders_timer FOLDER     prints count=N and subfolders_ms
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>

#include "win32/shell_namespace_win32.h"
#include "win32/wide.h"

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2) {
        std::fwprintf(stderr, L"usage: subfolders_timer FOLDER\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    qz::win::WinShellNamespace shell;
    const qz::ShellFolder folder = shell.FromParsingName(qz::win::Narrow(argv[1]));
    if (!folder.item) {
        std::fwprintf(stderr, L"subfolders_timer: no folder %ls\n", argv[1]);
        return 1;
    }
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    const size_t count = shell.Subfolders(*folder.item).size();
    QueryPerformanceCounter(&end);
    std::wprintf(L"count=%zu\nsubfolders_ms=%.2f\n", count,
                 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart));
    CoUninitialize();
    return 0;
}
