#pragma once

#include <string>
#include <string_view>

namespace qz {

// The folder part of a program's full path: everything up to and including
// the last "\" or ":", so that it ends in a separator ("D:\" for a program in
// the root of drive D). Empty when the path has neither.
std::string FolderOfPath(std::string_view path);

}  // namespace qz
