#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "bytes.h"
#include "result.h"
#include "tds_constants.h"

namespace qz::engine::tds {

// Writes reply tokens in the layout of one TDS version: the DONE row count,
// an ERROR's or INFO's line number and a column's user type grow from 7.2 on.
// Each token has one function; every length field is filled in after the
// body it measures.
class TokenWriter {
public:
    explicit TokenWriter(std::uint32_t tds_version) : version_(tds_version) {}

    void Done(std::uint16_t status, std::uint16_t command, std::uint64_t row_count);
    void Error(const ServerMessage &message);
    void Info(const ServerMessage &message);
    void LoginAck(std::uint32_t tds_version);
    void EnvChange(tds::EnvChange type, std::string_view new_value, std::string_view old_value);
    void ColMetadata(const std::vector<Column> &columns);
    void Row(const std::vector<Column> &columns, const engine::Row &values);

    Bytes Take() { return out_.Take(); }

private:
    bool Wide() const { return Generation(version_) >= kGeneration72; }
    // ERROR and INFO share one layout.
    void MessageBody(const ServerMessage &message);
    void TypeInfo(const Column &column);
    void Value(const Column &column, const engine::Value &value);
    // B_VARCHAR: a character count byte, then UTF-16LE.
    void ByteCountedText(std::u16string_view text);

    std::uint32_t version_;
    ByteWriter out_;
};

// The tokens of one statement's result: messages, then columns and rows,
// then the final DONE (error bit when failed, count bit when counted).
void WriteStatementResult(TokenWriter &writer, const StatementResult &result);

// The name the engine gives itself in ERROR and INFO tokens.
inline constexpr char16_t kServerName[] = u"QZENGINE";

}  // namespace qz::engine::tds
