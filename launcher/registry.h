// Read access to the machine hive, as the engine's probe uses it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qz {

// Registry value types.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;

// Read access to keys of the machine hive, for one click: the accessor is
// made and released within the handler, and closes its key when released.
class Registry {
public:
    struct Value {
        std::uint32_t type = 0;
        // The value's data as stored: for string types, their characters in
        // UTF-8 (the whole data, terminating zeros included when stored).
        std::string text;
    };

    virtual ~Registry() = default;
    // Opens a key below the machine hive (no leading separator); false when
    // it cannot be opened. Never creates it.
    virtual bool OpenKey(std::string_view path) = 0;
    // The first query: the size of the value's data in bytes, or nothing
    // when the value cannot be queried.
    virtual std::optional<std::uint32_t> ValueSize(std::string_view name) = 0;
    // The second query, into a buffer of that size: the data and its type,
    // or nothing when the query fails.
    virtual std::optional<Value> ReadValue(std::string_view name, std::uint32_t size) = 0;
    // Closes the key, if one is open.
    virtual void CloseKey() = 0;
};

}  // namespace qz
