#include "system_libraries.h"

#include "../errors.h"
#include "../system_folder.h"
#include "wide.h"

#include <string_view>

namespace qz::win {

namespace {

// Decided once, by the first call, before any other thread runs.
bool searchDecided = false;
bool searchRestricted = false;

// Libraries that system libraries load by a bare name on the launcher's
// paths (its start, its window, the common controls, the shell's folder tree
// and menu, COM), on some Windows versions, and that are not on every
// version's list of known DLLs. Loaded first where the search cannot be
// restricted; a library already loaded is the one a later load by its bare
// name gets. In this order: each one's own imports come from the system
// folder, as those that it loads itself.
constexpr const char *kLoadedByName[] = {
    // On 2000, XP and 2003 with East Asian or complex-script support, user32
    // and gdi32 load these two at their start; known DLLs from 7 on. user32
    // and gdi32 come in through the delay-load hook, after this list.
    "lpk.dll",        // the language pack
    "usp10.dll",      // complex scripts, by lpk and the edit controls
    "imm32.dll",      // input methods, by user32 where they are on (East Asian Windows)
    "uxtheme.dll",    // XP and later: visual styles, by user32 and comctl32
    "dwmapi.dll",     // Vista and later: desktop composition, by uxtheme and the shell
    "version.dll",    // version resources, by the shell and the common controls
    "userenv.dll",    // profile folders, by the shell
    "profapi.dll",    // 7 and later: the profile functions, by userenv
    "setupapi.dll",   // device classes and icons, by the shell's drive items
    "apphelp.dll",    // Vista and later: the compatibility engine
    "propsys.dll",    // Vista and later: item properties, by the shell
    "cryptbase.dll",  // Vista and 7: by advapi32
    "oleacc.dll",     // accessibility, by the common controls
    "clbcatq.dll",    // the COM+ catalog, by ole32 at the shell's first object
    "comres.dll",     // 2000 and XP: the COM+ catalog's resources, by ole32 and clbcatq
    "ntmarta.dll",    // access-control lists, by advapi32
};

// What odbc32 loads by name at the first connection: its messages, its
// installer, and the "SQL Server" driver, whose registered path may be a
// bare name, with the network library that the driver loads by name.
constexpr const char *kOdbcLoadsByName[] = {"odbcint.dll", "odbccp32.dll", "sqlsrv32.dll", "dbnetlib.dll"};

// The restricted search (Windows 8 on, Vista and 7 with KB2533623) fails
// the shell on Vista, which makes some of its objects no more; a function
// that 7 added tells Vista with the update from the later systems.
constexpr const char kRestrictedSearch[] = "SetDefaultDllDirectories";
constexpr const char kAddedBySeven[] = "GetActiveProcessorCount";
// XP SP1 and later: the current folder out of the search.
constexpr const char kDllDirectory[] = "SetDllDirectoryW";
// XP and later: manifests, and with them the end of "<program>.local" for
// a program that has one.
constexpr const char kManifests[] = "CreateActCtxW";

// A kernel export as the function it is; the cast through a function of no
// arguments is the one that the compiler accepts as meant.
template <typename Function>
Function Kernel(const char *name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(KernelExport(name)));
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

std::wstring ProgramPath()
{
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length < path.size() ? length : 0);
    return path;
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

bool LibrariesRedirectedBesideProgram()
{
    if (KernelExport(kManifests) != nullptr)
        return false;
    const std::wstring program = ProgramPath();
    // A program whose name cannot be read cannot be checked: it stops too.
    return program.empty() || GetFileAttributesW((program + L".local").c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string RedirectionFileName()
{
    const std::wstring program = ProgramPath();
    if (program.empty())
        return {};
    return Narrow(program.substr(program.find_last_of(L"\\/") + 1)) + ".local";
}

void RestrictLibrarySearch()
{
    if (searchDecided)
        return;
    searchDecided = true;
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI *)(DWORD);
    using SetDllDirectoryFunction = BOOL(WINAPI *)(LPCWSTR);

    if (KernelExport(kAddedBySeven) != nullptr) {
        const auto restrictSearch = Kernel<SetDefaultDllDirectoriesFunction>(kRestrictedSearch);
        if (restrictSearch != nullptr && restrictSearch(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS)) {
            searchRestricted = true;
            return;
        }
    }
    // The current folder leaves the search where it can; the program's own
    // folder stays first in it, which only libraries already loaded can
    // answer for.
    if (const auto setDirectory = Kernel<SetDllDirectoryFunction>(kDllDirectory))
        setDirectory(L"");
    for (const char *name : kLoadedByName)
        LoadByFullPath(name);
}

HMODULE LoadSystemLibrary(const char *name)
{
    RestrictLibrarySearch();
    const HMODULE library = LoadByFullPath(name);
    if (library != nullptr && !searchRestricted && std::string_view(name) == "odbc32.dll") {
        for (const char *companion : kOdbcLoadsByName)
            LoadByFullPath(companion);
    }
    return library;
}

}  // namespace qz::win
