// Read-only access to HKEY_LOCAL_MACHINE in its 32-bit view, where the 32-bit
// engine setup writes its key, whichever build reads it.
#pragma once

#include "../registry.h"

#include <memory>

namespace qz::win {

std::unique_ptr<Registry> MachineRegistry();

}  // namespace qz::win
