#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "bytes.h"

namespace qz::engine {

// An error (class 11 and above) or an informational message (class 10 and
// below), as the real engine reports them.
struct ServerMessage {
    std::int32_t number = 0;
    std::uint8_t state = 1;
    std::uint8_t severity = 0;  // the "class"
    std::string text;

    bool IsError() const { return severity > 10; }
    bool operator==(const ServerMessage &) const = default;
};

enum class ColumnType { TinyInt, SmallInt, Int, DateTime, NVarChar, VarBinary };

struct Column {
    std::string name;
    ColumnType type = ColumnType::Int;
    std::uint16_t max_length = 0;  // characters of NVarChar, bytes of VarBinary
    bool nullable = false;
};

// A datetime value: days since 1900-01-01 and 1/300-second ticks since midnight.
struct DateTimeValue {
    std::int32_t days = 0;
    std::uint32_t ticks = 0;
    bool operator==(const DateTimeValue &) const = default;
};

// NULL, an integer, text (UTF-8), binary, or a datetime.
using Value = std::variant<std::monostate, std::int64_t, std::string, Bytes, DateTimeValue>;
using Row = std::vector<Value>;

struct ResultSet {
    std::vector<Column> columns;
    std::vector<Row> rows;
};

// What one statement produced: its messages in order, possibly rows, whether
// it failed, and the row count it reports (none: the final DONE carries no
// count).
struct StatementResult {
    std::vector<ServerMessage> messages;
    std::optional<ResultSet> result_set;
    bool failed = false;
    std::optional<std::uint64_t> row_count;
};

}  // namespace qz::engine
