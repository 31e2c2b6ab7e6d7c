#include "machine_registry.h"

#include "../installers.h"
#include "handles.h"
#include "wide.h"

#include <windows.h>

#include <vector>

namespace qz::win {

// The portable code names these values as numbers; here, where they reach
// Windows, they are held to its headers.
static_assert(kRegSz == REG_SZ && kRegExpandSz == REG_EXPAND_SZ);

namespace {

class MachineKeys final : public Registry {
public:
    bool OpenKey(std::string_view path) override
    {
        CloseKey();
        // Reading is all the probe needs; full access is refused to an
        // operator without elevation, which would hide an installed engine.
        constexpr REGSAM view = EngineKeyView(sizeof(void *)) == RegistryView::Bits32 ? KEY_WOW64_32KEY : 0;
        return RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(path).c_str(), 0, KEY_READ | view, key_.put()) == ERROR_SUCCESS;
    }

    std::optional<std::uint32_t> ValueSize(std::string_view name) override
    {
        DWORD size = 0;
        if (!key_ ||
            RegQueryValueExW(key_.get(), Widen(name).c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        return size;
    }

    std::optional<Value> ReadValue(std::string_view name, std::uint32_t size) override
    {
        if (!key_)
            return std::nullopt;
        // Two spare zero characters after the buffer the query fills, so
        // that a string stored without its terminator still ends.
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
        DWORD type = 0;
        DWORD got = size;
        if (RegQueryValueExW(key_.get(), Widen(name).c_str(), nullptr, &type, reinterpret_cast<BYTE *>(buffer.data()),
                             &got) != ERROR_SUCCESS)
            return std::nullopt;
        Value value;
        value.type = type;
        if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)
            value.text = Narrow(std::wstring_view(buffer.data(), got / sizeof(wchar_t)));
        return value;
    }

    void CloseKey() override { key_.reset(); }

private:
    UniqueKey key_;
};

}  // namespace

std::unique_ptr<Registry> MachineRegistry()
{
    return std::make_unique<MachineKeys>();
}

}  // namespace qz::win
