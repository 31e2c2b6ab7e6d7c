#include "bytes.h"

#include <limits>

namespace qz::engine {

void ByteWriter::U8(std::uint8_t value)
{
    bytes_.push_back(value);
}

void ByteWriter::U16LE(std::uint16_t value)
{
    U8(static_cast<std::uint8_t>(value));
    U8(static_cast<std::uint8_t>(value >> 8));
}

void ByteWriter::U16BE(std::uint16_t value)
{
    U8(static_cast<std::uint8_t>(value >> 8));
    U8(static_cast<std::uint8_t>(value));
}

void ByteWriter::U32LE(std::uint32_t value)
{
    U16LE(static_cast<std::uint16_t>(value));
    U16LE(static_cast<std::uint16_t>(value >> 16));
}

void ByteWriter::U32BE(std::uint32_t value)
{
    U16BE(static_cast<std::uint16_t>(value >> 16));
    U16BE(static_cast<std::uint16_t>(value));
}

void ByteWriter::U64LE(std::uint64_t value)
{
    U32LE(static_cast<std::uint32_t>(value));
    U32LE(static_cast<std::uint32_t>(value >> 32));
}

void ByteWriter::Append(ByteView bytes)
{
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

void ByteWriter::Utf16LE(std::u16string_view text)
{
    for (char16_t unit : text)
        U16LE(static_cast<std::uint16_t>(unit));
}

std::size_t ByteWriter::ReserveU16LE()
{
    std::size_t at = bytes_.size();
    U16LE(0);
    return at;
}

void ByteWriter::PatchLengthAfter(std::size_t reserved_at)
{
    std::size_t length = bytes_.size() - reserved_at - sizeof(std::uint16_t);
    if (length > std::numeric_limits<std::uint16_t>::max())
        throw std::length_error("token body longer than its 16-bit length field");
    bytes_[reserved_at] = static_cast<std::uint8_t>(length);
    bytes_[reserved_at + 1] = static_cast<std::uint8_t>(length >> 8);
}

void ByteReader::Need(std::size_t count) const
{
    if (count > Remaining())
        throw ProtocolError("message ends inside a field");
}

std::uint8_t ByteReader::U8()
{
    Need(1);
    return bytes_[position_++];
}

std::uint16_t ByteReader::U16LE()
{
    std::uint16_t low = U8();
    return static_cast<std::uint16_t>(low | (U8() << 8));
}

std::uint16_t ByteReader::U16BE()
{
    std::uint16_t high = U8();
    return static_cast<std::uint16_t>((high << 8) | U8());
}

std::uint32_t ByteReader::U32LE()
{
    std::uint32_t low = U16LE();
    return low | (static_cast<std::uint32_t>(U16LE()) << 16);
}

std::uint32_t ByteReader::U32BE()
{
    std::uint32_t high = U16BE();
    return (high << 16) | U16BE();
}

std::uint64_t ByteReader::U64LE()
{
    std::uint64_t low = U32LE();
    return low | (static_cast<std::uint64_t>(U32LE()) << 32);
}

ByteView ByteReader::Take(std::size_t count)
{
    Need(count);
    ByteView part = bytes_.subspan(position_, count);
    position_ += count;
    return part;
}

}  // namespace qz::engine
