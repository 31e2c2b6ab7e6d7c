// What the launcher asks of the file system for itself: the folder of its own
// program file, and whether a file there can be read.
#pragma once

#include <string>
#include <string_view>

namespace qz::win {

// The folder of the running program's file, ending in a separator.
std::string OwnProgramFolder();

// Whether the file exists and opens for reading; asked off the UI thread.
bool CanReadFile(std::string_view path);

}  // namespace qz::win
