#include "own_files.h"

#include "../errors.h"
#include "../program_folder.h"
#include "handles.h"
#include "off_thread.h"
#include "wide.h"

#include <windows.h>

namespace qz::win {

std::string OwnProgramFolder()
{
    // The whole path, however deep the folder: no cap at MAX_PATH.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            Fatal("cannot read the program's own path");
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return FolderOfPath(Narrow(path));
}

bool CanReadFile(std::string_view path)
{
    const std::wstring wide = Widen(path);
    bool readable = false;
    // Opening a file on a slow medium may take the drive's spin-up: off the
    // UI thread too.
    RunOffUiThread([&] {
        readable =
            static_cast<bool>(AdoptFile(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    });
    return readable;
}

}  // namespace qz::win
