// UTF-8 <-> UTF-16 for the wide ODBC functions, on every platform (Windows'
// wchar_t and unixODBC's SQLWCHAR are both 16-bit code units).
#pragma once

#include <string>
#include <string_view>

namespace qz::data {

// Malformed UTF-8 becomes U+FFFD; nothing is dropped silently.
std::u16string ToUtf16(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::u16string_view utf16);

}  // namespace qz::data
