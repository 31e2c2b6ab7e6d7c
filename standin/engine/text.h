#pragma once

#include <string>
#include <string_view>

#include "bytes.h"

namespace qz::engine {

// UTF-8 and UTF-16 conversions; ill-formed input becomes U+FFFD rather than
// an error, because a client's text is logged and answered whatever it holds.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-16LE bytes as sent on the wire (an odd last byte is dropped).
std::u16string Utf16FromLE(ByteView bytes);

// Name comparison of the engine's default collation, which ignores case.
// Only ASCII letters fold: the names this engine meets are ASCII.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// One line of a text file: backslash, CR, LF and TAB written as \\, \r, \n
// and \t, so that every value keeps to one line and one field.
std::string EscapeLine(std::string_view text);
// The inverse; false when an escape is unknown or cut off.
bool UnescapeLine(std::string_view line, std::string &out);

}  // namespace qz::engine
