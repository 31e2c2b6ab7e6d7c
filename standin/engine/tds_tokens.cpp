#include "tds_tokens.h"

#include <algorithm>
#include <stdexcept>

#include "text.h"

namespace qz::engine::tds {
namespace {

constexpr std::size_t kMaxByteCountedChars = 255;
constexpr std::uint32_t kLineNumber = 1;

constexpr std::uint32_t kCollationInfo =
    kCollationLocaleId | kCollationIgnoreCase | kCollationIgnoreKana | kCollationIgnoreWidth;

// Fixed-length types and their value sizes.
struct FixedType {
    DataType type;
    std::size_t size;
};

FixedType FixedTypeOf(ColumnType type)
{
    switch (type) {
    case ColumnType::TinyInt: return {DataType::Int1, 1};
    case ColumnType::SmallInt: return {DataType::Int2, 2};
    case ColumnType::Int: return {DataType::Int4, 4};
    case ColumnType::DateTime: return {DataType::DateTime, 8};
    default: throw std::logic_error("not a fixed-length column type");
    }
}

bool IsFixed(ColumnType type)
{
    return type != ColumnType::NVarChar && type != ColumnType::VarBinary;
}

}  // namespace

void TokenWriter::ByteCountedText(std::u16string_view text)
{
    text = text.substr(0, std::min(text.size(), kMaxByteCountedChars));
    out_.U8(static_cast<std::uint8_t>(text.size()));
    out_.Utf16LE(text);
}

void TokenWriter::Done(std::uint16_t status, std::uint16_t command, std::uint64_t row_count)
{
    out_.U8(static_cast<std::uint8_t>(Token::Done));
    out_.U16LE(status);
    out_.U16LE(command);
    if (Wide())
        out_.U64LE(row_count);
    else
        out_.U32LE(static_cast<std::uint32_t>(row_count));
}

void TokenWriter::MessageBody(const ServerMessage &message)
{
    std::size_t length_at = out_.ReserveU16LE();
    out_.U32LE(static_cast<std::uint32_t>(message.number));
    out_.U8(message.state);
    out_.U8(message.severity);
    std::u16string text = Utf8ToUtf16(message.text);
    out_.U16LE(static_cast<std::uint16_t>(text.size()));
    out_.Utf16LE(text);
    ByteCountedText(kServerName);
    ByteCountedText(u"");  // procedure name: none, the text is a batch
    if (Wide())
        out_.U32LE(kLineNumber);
    else
        out_.U16LE(static_cast<std::uint16_t>(kLineNumber));
    out_.PatchLengthAfter(length_at);
}

void TokenWriter::Error(const ServerMessage &message)
{
    out_.U8(static_cast<std::uint8_t>(Token::Error));
    MessageBody(message);
}

void TokenWriter::Info(const ServerMessage &message)
{
    out_.U8(static_cast<std::uint8_t>(Token::Info));
    MessageBody(message);
}

void TokenWriter::LoginAck(std::uint32_t tds_version)
{
    out_.U8(static_cast<std::uint8_t>(Token::LoginAck));
    std::size_t length_at = out_.ReserveU16LE();
    out_.U8(kInterfaceTransactSql);
    out_.U32BE(tds_version);
    ByteCountedText(kProductName);
    out_.U8(kProductMajor);
    out_.U8(kProductMinor);
    out_.U16BE(kProductBuild);
    out_.PatchLengthAfter(length_at);
}

void TokenWriter::EnvChange(tds::EnvChange type, std::string_view new_value, std::string_view old_value)
{
    out_.U8(static_cast<std::uint8_t>(Token::EnvChange));
    std::size_t length_at = out_.ReserveU16LE();
    out_.U8(static_cast<std::uint8_t>(type));
    ByteCountedText(Utf8ToUtf16(new_value));
    ByteCountedText(Utf8ToUtf16(old_value));
    out_.PatchLengthAfter(length_at);
}

void TokenWriter::TypeInfo(const Column &column)
{
    switch (column.type) {
    case ColumnType::NVarChar:
        out_.U8(static_cast<std::uint8_t>(DataType::NVarChar));
        out_.U16LE(static_cast<std::uint16_t>(column.max_length * sizeof(char16_t)));
        out_.U32LE(kCollationInfo);
        out_.U8(kCollationSortId);
        break;
    case ColumnType::VarBinary:
        out_.U8(static_cast<std::uint8_t>(DataType::BigVarBinary));
        out_.U16LE(column.max_length);
        break;
    default: out_.U8(static_cast<std::uint8_t>(FixedTypeOf(column.type).type));
    }
}

void TokenWriter::ColMetadata(const std::vector<Column> &columns)
{
    out_.U8(static_cast<std::uint8_t>(Token::ColMetadata));
    out_.U16LE(static_cast<std::uint16_t>(columns.size()));
    for (const Column &column : columns) {
        if (Wide())
            out_.U32LE(0);  // user type
        else
            out_.U16LE(0);
        out_.U16LE(column.nullable ? kColumnNullable : kColumnNotNull);
        TypeInfo(column);
        ByteCountedText(Utf8ToUtf16(column.name));
    }
}

void TokenWriter::Value(const Column &column, const engine::Value &value)
{
    if (std::holds_alternative<std::monostate>(value)) {
        if (!column.nullable || IsFixed(column.type))
            throw std::logic_error("NULL in a column that cannot hold it: " + column.name);
        out_.U16LE(kNullLength);
        return;
    }
    switch (column.type) {
    case ColumnType::NVarChar: {
        std::u16string text = Utf8ToUtf16(std::get<std::string>(value));
        out_.U16LE(static_cast<std::uint16_t>(text.size() * sizeof(char16_t)));
        out_.Utf16LE(text);
        break;
    }
    case ColumnType::VarBinary: {
        const Bytes &bytes = std::get<Bytes>(value);
        out_.U16LE(static_cast<std::uint16_t>(bytes.size()));
        out_.Append(bytes);
        break;
    }
    case ColumnType::DateTime: {
        const DateTimeValue &when = std::get<DateTimeValue>(value);
        out_.U32LE(static_cast<std::uint32_t>(when.days));
        out_.U32LE(when.ticks);
        break;
    }
    default: {
        auto number = static_cast<std::uint64_t>(std::get<std::int64_t>(value));
        std::size_t size = FixedTypeOf(column.type).size;
        for (std::size_t i = 0; i < size; ++i)
            out_.U8(static_cast<std::uint8_t>(number >> (8 * i)));
    }
    }
}

void TokenWriter::Row(const std::vector<Column> &columns, const engine::Row &values)
{
    if (values.size() != columns.size())
        throw std::logic_error("row and columns differ in number");
    out_.U8(static_cast<std::uint8_t>(Token::Row));
    for (std::size_t i = 0; i < columns.size(); ++i)
        Value(columns[i], values[i]);
}

void WriteStatementResult(TokenWriter &writer, const StatementResult &result)
{
    for (const ServerMessage &message : result.messages) {
        if (message.IsError())
            writer.Error(message);
        else
            writer.Info(message);
    }
    std::uint16_t command = kCommandNone;
    if (result.result_set) {
        command = kCommandSelect;
        writer.ColMetadata(result.result_set->columns);
        for (const engine::Row &row : result.result_set->rows)
            writer.Row(result.result_set->columns, row);
    }
    std::uint16_t status = kDoneFinal;
    if (result.failed)
        status |= kDoneError;
    if (result.row_count)
        status |= kDoneCount;
    writer.Done(status, command, result.row_count.value_or(0));
}

}  // namespace qz::engine::tds
