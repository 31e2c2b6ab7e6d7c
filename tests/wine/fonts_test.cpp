// The faces the launcher asks for by name exist in the test prefix as on a
// Chinese Windows: 宋体 (a Song face) for the window and its labels, 楷体_GB2312
// (a Kai face) for the hidden data-file button, and Wine's Marlett for the
// symbols of the caption buttons. Without them Wine draws another face in
// their place, or letters ("r") in the caption buttons of every box.
//
// Usage: fonts_test.exe   Prints failures and "N passed, M failed" last.
#include "checks.h"
#include "win32/handles.h"

#include <windows.h>

#include <string>

namespace {

using qz::wine::Check;

int CALLBACK Found(const LOGFONTW *, const TEXTMETRICW *, DWORD, LPARAM context)
{
    ++*reinterpret_cast<int *>(context);
    return 1;
}

// Fonts of the system with that face name and character set.
int FacesNamed(HDC dc, const wchar_t *face, BYTE charset)
{
    LOGFONTW wanted{};
    wanted.lfCharSet = charset;
    lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
    int count = 0;
    EnumFontFamiliesExW(dc, &wanted, Found, reinterpret_cast<LPARAM>(&count), 0);
    return count;
}

}  // namespace

int wmain()
{
    SetConsoleOutputCP(CP_UTF8);
    const qz::win::WindowDc screen(nullptr);
    Check(FacesNamed(screen.get(), L"宋体", GB2312_CHARSET) > 0, "宋体 resolves to a GB2312 face");
    Check(FacesNamed(screen.get(), L"楷体_GB2312", GB2312_CHARSET) > 0, "楷体_GB2312 resolves to a GB2312 face");
    Check(FacesNamed(screen.get(), L"Marlett", SYMBOL_CHARSET) > 0, "Wine's Marlett is installed");
    return qz::wine::Finish();
}
