// The control case for the planted files: loads each library named on the
// command line by its bare name, then runs "net start mssqlserver" by its
// bare command line and waits for it, as a program that does not guard its
// search would. Started beside the planted files, it must find them.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t **argv)
{
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        if (LoadLibraryW(argv[i]) == nullptr)
            ++failures;
    }
    std::wstring line = L"net start mssqlserver";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        ++failures;
    }
    return failures;
}
