#pragma once

#include "errors.h"
#include "registry.h"

#include <cstddef>
#include <string>

namespace qz {

// The registry view that the engine's key is read in. The engine's setup is
// a 32-bit program and writes the 32-bit view. A 32-bit launcher reads that
// view without asking, on 32-bit and 64-bit Windows alike, and must not ask
// for it by name: Windows 2000 refuses such an open (access denied), and the
// installed engine would count as absent there. A 64-bit launcher, which
// runs on 64-bit Windows only, asks for it.
enum class RegistryView { Default, Bits32 };
constexpr RegistryView EngineKeyView(std::size_t pointerBytes)
{
    return pointerBytes == 8 ? RegistryView::Bits32 : RegistryView::Default;
}

// The engine's setup path from the registry: empty when the key or the value
// is missing or empty. Fails with "Failed to get data for 'SQLPath'" when
// the second query fails and "Invalid data type for 'SQLPath'" for a value
// that is not a string, in both cases after the key is closed.
Result<std::string> EngineSetupPath(Registry &registry);

}  // namespace qz
