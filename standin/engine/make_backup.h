#pragma once

#include <optional>
#include <string>

#include "options.h"

namespace qz::engine {

// Writes the backup that --make-backup describes (the named files' contents,
// or the generated sample). Returns what went wrong, or nothing.
std::optional<std::string> MakeBackupFile(const MakeBackupOptions &options);

}  // namespace qz::engine
