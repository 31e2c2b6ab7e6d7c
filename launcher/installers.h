#pragma once

#include "services.h"

#include <string>

namespace qz {

// The engine's setup path from the registry: empty when the key or the value
// is missing or empty. Throws Error "Failed to get data for 'SQLPath'" when
// the second query fails and "Invalid data type for 'SQLPath'" for a value
// that is not a string, in both cases after the key is closed.
std::string EngineSetupPath(Registry &registry);

}  // namespace qz
