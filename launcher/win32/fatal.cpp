// The end of the launcher on a failure that cannot be handed back to a
// guard (memory that cannot be had, above all): the application error box,
// then the end of the process. Nothing here allocates, so that it works when
// memory is what failed; a failure while the box is up ends at once.
#include "../errors.h"
#include "../texts.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

namespace qz {

void Fatal(std::string_view message)
{
    static bool ending = false;
    if (!ending) {
        ending = true;
        wchar_t text[1024];
        const int room = static_cast<int>(std::size(text)) - 2;
        const int length = MultiByteToWideChar(CP_UTF8, 0, message.data(),
                                               static_cast<int>(std::min<std::size_t>(message.size(), 512)), text, room);
        int end = length > 0 ? length : 0;
        if (NeedsFullStop(message))
            text[end++] = L'.';
        text[end] = L'\0';
        wchar_t title[32];
        const int titleLength = MultiByteToWideChar(CP_UTF8, 0, kApplicationTitle, -1, title, std::size(title));
        MessageBoxW(nullptr, text, titleLength > 0 ? title : nullptr, kBoxError | MB_TASKMODAL);
    }
    ExitProcess(1);
}

}  // namespace qz
