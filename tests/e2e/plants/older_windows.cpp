// Linked into the launcher's test builds in place of the kernel's exports as
// they are: QZ_OLDER_WINDOWS names a Windows whose kernel lacks what Wine's
// offers, and those functions are answered as missing, so that the launcher
// takes that Windows' way of guarding its library search.
//   2000   no SetDefaultDllDirectories, SetDllDirectoryW nor manifests
//   xp     no SetDefaultDllDirectories (XP SP1 to 7 without KB2533623)
//   vista  SetDefaultDllDirectories (KB2533623), none of 7's additions
// Unset or anything else: the kernel's exports as they are.
#include "win32/system_libraries.h"

#include <cstring>

namespace {

struct OlderWindows {
    const char *name;
    const char *missing[4];
};

constexpr OlderWindows kOlder[] = {
    {"2000", {"SetDefaultDllDirectories", "SetDllDirectoryW", "CreateActCtxW", "GetActiveProcessorCount"}},
    {"xp", {"SetDefaultDllDirectories", "GetActiveProcessorCount", nullptr, nullptr}},
    {"vista", {"GetActiveProcessorCount", nullptr, nullptr, nullptr}},
};

bool Missing(const char *function)
{
    char windows[16] = {};
    const DWORD length = GetEnvironmentVariableA("QZ_OLDER_WINDOWS", windows, sizeof windows);
    if (length == 0 || length >= sizeof windows)
        return false;
    for (const OlderWindows &older : kOlder) {
        if (std::strcmp(older.name, windows) != 0)
            continue;
        for (const char *name : older.missing) {
            if (name != nullptr && std::strcmp(name, function) == 0)
                return true;
        }
    }
    return false;
}

}  // namespace

namespace qz::win {

FARPROC KernelExport(const char *name)
{
    if (Missing(name))
        return nullptr;
    return GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name);
}

}  // namespace qz::win
