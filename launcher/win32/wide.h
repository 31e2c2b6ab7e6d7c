// UTF-8 inside the launcher, UTF-16 at the Windows functions: the portable
// conversions, on Windows' 16-bit wchar_t.
#pragma once

#include "../text/utf16.h"

#include <string>
#include <string_view>

namespace qz::win {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wchar_t is a UTF-16 code unit");

inline std::wstring Widen(std::string_view utf8)
{
    const std::u16string wide = text::ToUtf16(utf8);
    return std::wstring(wide.begin(), wide.end());
}

inline std::string Narrow(std::wstring_view utf16)
{
    return text::ToUtf8(std::u16string_view(reinterpret_cast<const char16_t *>(utf16.data()), utf16.size()));
}

}  // namespace qz::win
