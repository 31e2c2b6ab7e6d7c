// UTF-8 inside the launcher, UTF-16 at the wide Windows and ODBC functions (Windows
// wchar_t and unixODBC's SQLWCHAR are both 16-bit code units).
#pragma once

#include <string>
#include <string_view>

namespace qz::text {

// Malformed UTF-8 becomes U+FFFD; nothing is dropped silently.
std::u16string ToUtf16(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::u16string_view utf16);

}  // namespace qz::text
