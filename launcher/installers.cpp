#include "installers.h"

#include "errors.h"
#include "texts.h"
#include "unique_handle.h"

namespace qz {

Result<std::string> EngineSetupPath(Registry &registry)
{
    if (!registry.OpenKey(kEngineKey))
        return std::string();
    std::optional<Registry::Value> value;
    {
        const ScopeExit close([&registry] { registry.CloseKey(); });
        const std::optional<std::uint32_t> size = registry.ValueSize(kEngineValue);
        if (!size || *size == 0)
            return std::string();
        value = registry.ReadValue(kEngineValue, *size);
    }
    const std::string name(kEngineValue);
    if (!value)
        return Error("Failed to get data for '" + name + "'");
    if (value->type != kRegSz && value->type != kRegExpandSz)
        return Error("Invalid data type for '" + name + "'");
    // Taken as stored (an expandable string is not expanded), up to its
    // first zero.
    return value->text.substr(0, value->text.find('\0'));
}

}  // namespace qz
