#include "paths.h"

#include <system_error>
#include <vector>

#include "text.h"

namespace qz::engine {
namespace fs = std::filesystem;
namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

char UpperLetter(char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<char>(c - 'a' + 'A');
    return (c >= 'A' && c <= 'Z') ? c : '\0';
}

// The names of a path after the drive, as Windows normalises them.
std::vector<std::string> Names(std::string_view rest)
{
    std::vector<std::string> names;
    std::size_t at = 0;
    while (at < rest.size()) {
        std::size_t end = at;
        while (end < rest.size() && !IsSeparator(rest[end]))
            ++end;
        std::string name(rest.substr(at, end - at));
        at = end + 1;
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            if (!names.empty())
                names.pop_back();
            continue;
        }
        while (!name.empty() && (name.back() == '.' || name.back() == ' '))
            name.pop_back();
        if (!name.empty())
            names.push_back(std::move(name));
    }
    return names;
}

// `name` inside `folder`, in the case it exists in there if it does.
fs::path Child(const fs::path &folder, const std::string &name)
{
    fs::path exact = folder / name;
    std::error_code error;
    if (fs::exists(fs::symlink_status(exact, error)))
        return exact;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string candidate = it->path().filename().string();
        if (EqualsIgnoringCase(candidate, name))
            return it->path();
    }
    return exact;
}

}  // namespace

void DriveMap::Add(char letter, fs::path folder)
{
    drives_[UpperLetter(letter)] = std::move(folder);
}

bool DriveMap::AddOption(std::string_view option)
{
    if (option.size() < 3 || option[1] != '=' || UpperLetter(option[0]) == '\0')
        return false;
    Add(option[0], fs::path(option.substr(2)));
    return true;
}

std::optional<fs::path> DriveMap::Map(std::string_view windows_path) const
{
    if (windows_path.size() < 2 || windows_path[1] != ':')
        return std::nullopt;
    if (windows_path.size() > 2 && !IsSeparator(windows_path[2]))
        return std::nullopt;  // relative to the drive's current folder
    auto drive = drives_.find(UpperLetter(windows_path[0]));
    if (drive == drives_.end())
        return std::nullopt;
    fs::path result = drive->second;
    for (const std::string &name : Names(windows_path.substr(2)))
        result = Child(result, name);
    return result;
}

}  // namespace qz::engine
