#include "program_folder.h"

namespace qz {

std::string FolderOfPath(std::string_view path)
{
    const auto cut = path.find_last_of("\\:");
    if (cut == std::string_view::npos)
        return {};
    return std::string(path.substr(0, cut + 1));
}

}  // namespace qz
