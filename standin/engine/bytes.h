#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace qz::engine {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// A client sent something that does not follow the protocol; the connection
// that read it is closed.
class ProtocolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Appends integers and UTF-16 text in the byte orders the protocol uses.
// Length fields that precede a body are reserved first and patched once the
// body is written, so no writer computes a length by hand.
class ByteWriter {
public:
    void U8(std::uint8_t value);
    void U16LE(std::uint16_t value);
    void U16BE(std::uint16_t value);
    void U32LE(std::uint32_t value);
    void U32BE(std::uint32_t value);
    void U64LE(std::uint64_t value);
    void Append(ByteView bytes);
    // UTF-16 code units, each little-endian, no terminator.
    void Utf16LE(std::u16string_view text);

    // Reserves a little-endian 16-bit length at the current end.
    std::size_t ReserveU16LE();
    // Fills a reserved length with the number of bytes written after it.
    void PatchLengthAfter(std::size_t reserved_at);

    std::size_t Size() const { return bytes_.size(); }
    const Bytes &View() const { return bytes_; }
    Bytes Take() { return std::move(bytes_); }

private:
    Bytes bytes_;
};

// Reads integers from a byte range; running past its end throws
// ProtocolError, so callers need no bounds arithmetic of their own.
class ByteReader {
public:
    explicit ByteReader(ByteView bytes) : bytes_(bytes) {}

    std::uint8_t U8();
    std::uint16_t U16LE();
    std::uint16_t U16BE();
    std::uint32_t U32LE();
    std::uint32_t U32BE();
    std::uint64_t U64LE();
    ByteView Take(std::size_t count);
    void Skip(std::size_t count) { Take(count); }

    std::size_t Position() const { return position_; }
    std::size_t Remaining() const { return bytes_.size() - position_; }

private:
    void Need(std::size_t count) const;

    ByteView bytes_;
    std::size_t position_ = 0;
};

}  // namespace qz::engine
