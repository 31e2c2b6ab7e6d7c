#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace qz::engine {

// Maps Windows paths ("E:\Db\x.MDF") to Linux ones by drive letter, the way
// the engine's file access would see them on Windows: letters and names
// ignore case, "\" and "/" both separate, doubled separators collapse, "."
// and ".." are resolved, and trailing dots and blanks of a name are dropped.
class DriveMap {
public:
    // "C=/tmp/c": drive C is the folder /tmp/c. False when malformed.
    bool AddOption(std::string_view option);
    void Add(char letter, std::filesystem::path folder);

    // The Linux path, or nothing when the path is not an absolute path on a
    // mapped drive (the OS would say "path not found"). A name that does not
    // exist as written but exists in another case is taken as found, since
    // Windows names ignore case.
    std::optional<std::filesystem::path> Map(std::string_view windows_path) const;

    bool Empty() const { return drives_.empty(); }

private:
    std::map<char, std::filesystem::path> drives_;  // upper-case letter
};

}  // namespace qz::engine
