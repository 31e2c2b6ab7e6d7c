// A library planted beside the launcher under a system library's name
// (odbc32.dll, comctl32.dll, ...): when any process loads it, it appends its
// own file name and the process's path to planted.log beside itself. It
// exports nothing, so a program that takes it for the real one fails soon
// after; the log is what the tests read.
#include <windows.h>

#include <string>

namespace {

std::wstring ModulePath(HMODULE module)
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

std::string Utf8(const std::wstring &text)
{
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

void Record(HMODULE self)
{
    const std::wstring own = ModulePath(self);
    const std::size_t cut = own.find_last_of(L"\\/") + 1;
    const std::wstring log = own.substr(0, cut) + L"planted.log";
    HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string line = Utf8(own.substr(cut)) + "\t" + Utf8(ModulePath(nullptr)) + "\n";
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        Record(instance);
    return TRUE;
}
