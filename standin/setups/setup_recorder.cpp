// Plays a setup program on the installation media for tests and the demo:
// records each start (its own path, the current folder it was given and its
// command line, tab-separated) in starts.log beside itself, one UTF-8 line
// each; on a disc, where nothing can be written beside it, in the file that
// QZ_STARTS_LOG names (the launcher passes its environment on). Built as the
// engine's setup,
// it then also does what an engine install leaves behind for the launcher:
// the value "SQLPath" under the engine's setup key, in the 32-bit registry
// view where the real (32-bit) setup writes it.
#include <windows.h>

#include <string>

namespace {

std::string Utf8(const std::wstring &text)
{
    if (text.empty())
        return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::wstring OwnPath()
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

std::wstring CurrentFolder()
{
    std::wstring folder(32768, L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
}

std::wstring LogPath(const std::wstring &self)
{
    std::wstring named(32768, L'\0');
    named.resize(GetEnvironmentVariableW(L"QZ_STARTS_LOG", named.data(), static_cast<DWORD>(named.size())));
    if (!named.empty() && named.size() < 32768)
        return named;
    return self.substr(0, self.find_last_of(L"\\/") + 1) + L"starts.log";
}

void Record(const std::wstring &self)
{
    const std::wstring log = LogPath(self);
    HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string line = Utf8(self) + "\t" + Utf8(CurrentFolder()) + "\t" + Utf8(GetCommandLineW()) + "\n";
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

#ifdef QZ_ENGINE_SETUP
void WriteEngineKey()
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\MSSQLServer\\Setup", 0, nullptr, 0,
                        KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    const wchar_t path[] = L"C:\\Program Files\\Microsoft SQL Server\\MSSQL";
    RegSetValueExW(key, L"SQLPath", 0, REG_SZ, reinterpret_cast<const BYTE *>(path), sizeof path);
    RegCloseKey(key);
}
#endif

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    Record(OwnPath());
#ifdef QZ_ENGINE_SETUP
    WriteEngineKey();
#endif
    return 0;
}
