// The libraries that the launcher loads at their first call (ODBC, the shell,
// the common controls) come from the system folder by full path. The
// delay-load helper would load each by the bare name in its import table,
// which Windows looks for beside the launcher first: neither odbc32 nor
// comctl32 (without a manifest that names version 6) is a known DLL that
// Windows would take from the system folder anyway.
//
// The helper asks this hook before it loads a library. A library that is not
// in the system folder is not looked for elsewhere: the helper's own failure
// is raised, as for a library that is missing.
#include "system_libraries.h"

#include <windows.h>
#include <delayimp.h>

namespace {

FARPROC WINAPI BeforeDelayLoad(unsigned notice, PDelayLoadInfo info)
{
    if (notice != dliNotePreLoadLibrary)
        return nullptr;
    if (const HMODULE library = qz::win::LoadSystemLibrary(info->szDll))
        return reinterpret_cast<FARPROC>(library);
    info->dwLastError = ERROR_MOD_NOT_FOUND;
    ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(info);
    RaiseException(VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND), 0, 1, &argument);
    return nullptr;
}

}  // namespace

extern "C" {
PfnDliHook __pfnDliNotifyHook2 = BeforeDelayLoad;
}
