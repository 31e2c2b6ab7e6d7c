#include "system_libraries.h"

#include "../errors.h"
#include "../system_folder.h"
#include "wide.h"

#include <string_view>

namespace qz::win {

namespace {

// Set once, at the start, before any other thread runs.
bool searchRestricted = false;

// Libraries that system libraries load by a bare name on the launcher's
// paths (its window, the common controls, the shell's folder tree and menu,
// COM), on some Windows versions, and that are not on every version's list of
// known DLLs. Loaded first where the search cannot be restricted.
constexpr const char *kLoadedByName[] = {
    "uxtheme.dll",    // XP and later: visual styles, by user32 and comctl32
    "dwmapi.dll",     // Vista and later: desktop composition, by uxtheme and the shell
    "version.dll",    // version resources, by the shell and the common controls
    "userenv.dll",    // profile folders, by the shell
    "setupapi.dll",   // device classes and icons, by the shell's drive items
    "apphelp.dll",    // Vista and later: the compatibility engine
    "propsys.dll",    // Vista and later: item properties, by the shell
    "cryptbase.dll",  // Vista and 7: by advapi32
    "oleacc.dll",     // accessibility, by the common controls
    "clbcatq.dll",    // the COM+ catalog, by ole32 at the shell's first object
    "ntmarta.dll",    // access-control lists, by advapi32
};

// ODBC's own, which odbc32 loads by name: its messages and its installer.
constexpr const char *kOdbcLoadsByName[] = {"odbcint.dll", "odbccp32.dll"};

// GetProcAddress's result as the function it is; the cast through a
// function of no arguments is the one that the compiler accepts as meant.
template <typename Function>
Function Lookup(HMODULE module, const char *name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

HMODULE LoadByFullPath(const char *name)
{
    const Result<std::string> folder = SystemFolder();
    if (!folder)
        return nullptr;
    const Result<std::string> library = SystemLibraryPath(*folder, name);
    if (!library)
        return nullptr;
    const std::wstring path = Widen(*library);
    // With the search restricted, the library's own imports come from the
    // system folder already; otherwise from its folder first.
    return LoadLibraryExW(path.c_str(), nullptr, searchRestricted ? 0 : LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

Result<std::string> SystemFolder()
{
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
        if (length == 0)
            return Error("cannot read the system folder");
        if (length < folder.size()) {
            folder.resize(length);
            return Narrow(folder);
        }
        folder.resize(length);  // the size asked for, with the terminator
    }
}

void RestrictLibrarySearch()
{
    // Exported from Windows 8 on, and from Vista and 7 with update KB2533623.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI *)(DWORD);
    // Exported from XP SP1 on; Windows 2000 has neither.
    using SetDllDirectoryFunction = BOOL(WINAPI *)(LPCWSTR);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");

    // On Vista (6.0) the shell fails to make some of its objects once the
    // search is restricted: there the launcher takes the older systems' way.
    const DWORD version = GetVersion();
    const bool vista = LOBYTE(LOWORD(version)) == 6 && HIBYTE(LOWORD(version)) == 0;
    if (!vista) {
        const auto setDefault = Lookup<SetDefaultDllDirectoriesFunction>(kernel, "SetDefaultDllDirectories");
        if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS)) {
            searchRestricted = true;
            return;
        }
    }
    // The current folder leaves the search; the program's own folder stays
    // first in it, which only libraries already loaded can answer for.
    if (const auto setDirectory = Lookup<SetDllDirectoryFunction>(kernel, "SetDllDirectoryW"))
        setDirectory(L"");
    for (const char *name : kLoadedByName)
        LoadByFullPath(name);
}

HMODULE LoadSystemLibrary(const char *name)
{
    if (!searchRestricted && std::string_view(name) == "odbc32.dll") {
        for (const char *companion : kOdbcLoadsByName)
            LoadByFullPath(companion);
    }
    return LoadByFullPath(name);
}

}  // namespace qz::win
