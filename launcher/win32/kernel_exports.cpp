// The kernel's functions as this Windows has them. Alone in its file, so
// that a test build can link its own answers (those of an older Windows) in
// its place.
#include "system_libraries.h"

namespace qz::win {

FARPROC KernelExport(const char *name)
{
    return GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name);
}

}  // namespace qz::win
