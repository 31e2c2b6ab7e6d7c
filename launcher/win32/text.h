// UTF-8 inside the launcher, UTF-16 at the Windows boundary.
#pragma once

#include <string>
#include <string_view>

namespace qz::win {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace qz::win
