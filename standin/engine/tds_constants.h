#pragma once

#include <cstddef>
#include <cstdint>

// Numbers of the TDS protocol (versions 7.1 to 7.4) that this engine reads or
// writes, named once here so that no other file holds a bare protocol byte.
namespace qz::engine::tds {

// Packet header: type, status, length (big-endian, header included), server
// process id (big-endian), packet number, window.
constexpr std::size_t kHeaderSize = 8;

enum class PacketType : std::uint8_t {
    SqlBatch = 0x01,
    Rpc = 0x03,
    Reply = 0x04,
    Attention = 0x06,
    TransactionManager = 0x0E,
    Login7 = 0x10,
    PreLogin = 0x12,
};

// Packet status bits.
constexpr std::uint8_t kStatusEndOfMessage = 0x01;
constexpr std::uint8_t kStatusIgnore = 0x02;
constexpr std::uint8_t kStatusResetConnection = 0x08;
constexpr std::uint8_t kStatusResetConnectionKeepTransaction = 0x10;

// The server process id every reply carries; the client reads it from the
// packet that ends the login and then needs no "select @@spid".
constexpr std::uint16_t kServerProcessId = 51;

// Packet sizes: what a login reply uses before anything is negotiated, and the
// range the engine agrees to.
constexpr std::uint32_t kDefaultPacketSize = 4096;
constexpr std::uint32_t kMinPacketSize = 512;
constexpr std::uint32_t kMaxPacketSize = 32767;

// TDS versions as the LOGIN7 record carries them (a 32-bit number whose top
// byte is 0x71..0x74); LOGINACK sends the same number most significant byte
// first.
constexpr std::uint32_t kVersion71 = 0x71000001;
constexpr std::uint32_t kVersion72 = 0x72090002;
constexpr std::uint32_t kVersion73A = 0x730A0003;
constexpr std::uint32_t kVersion73B = 0x730B0003;
constexpr std::uint32_t kVersion74 = 0x74000004;

// Layout generation of a version: its top byte (0x71 .. 0x74).
constexpr std::uint8_t Generation(std::uint32_t version)
{
    return static_cast<std::uint8_t>(version >> 24);
}
constexpr std::uint8_t kGeneration71 = 0x71;
constexpr std::uint8_t kGeneration72 = 0x72;
constexpr std::uint8_t kGeneration74 = 0x74;

// PRELOGIN option tokens and the encryption answer.
enum class PreLoginOption : std::uint8_t {
    Version = 0x00,
    Encryption = 0x01,
    Instance = 0x02,
    ThreadId = 0x03,
    Mars = 0x04,
    Terminator = 0xFF,
};
constexpr std::uint8_t kEncryptNotSupported = 0x02;
constexpr std::uint8_t kMarsOff = 0x00;

// LOGIN7 option flag: the client logs in with Windows authentication.
constexpr std::uint8_t kOptionFlags2IntegratedSecurity = 0x80;

// ALL_HEADERS at the start of SQL batch and RPC requests (7.2 and later).
constexpr std::size_t kAllHeadersLengthSize = 4;

// Token types of the reply stream.
enum class Token : std::uint8_t {
    ColMetadata = 0x81,
    Error = 0xAA,
    Info = 0xAB,
    LoginAck = 0xAD,
    Row = 0xD1,
    EnvChange = 0xE3,
    Done = 0xFD,
};

// DONE status bits.
constexpr std::uint16_t kDoneFinal = 0x0000;
constexpr std::uint16_t kDoneError = 0x0002;
constexpr std::uint16_t kDoneCount = 0x0010;
constexpr std::uint16_t kDoneAttention = 0x0020;

// DONE current-command values (clients ignore them; a real server sends them).
constexpr std::uint16_t kCommandNone = 0x0000;
constexpr std::uint16_t kCommandSelect = 0x00C1;

// ENVCHANGE types.
enum class EnvChange : std::uint8_t {
    Database = 1,
    PacketSize = 4,
};

// LOGINACK interface: Transact-SQL.
constexpr std::uint8_t kInterfaceTransactSql = 1;

// Column data types.
enum class DataType : std::uint8_t {
    Int1 = 0x30,
    Int2 = 0x34,
    Int4 = 0x38,
    DateTime = 0x3D,
    BigVarBinary = 0xA5,
    NVarChar = 0xE7,
};

// Column flags.
constexpr std::uint16_t kColumnNotNull = 0x0000;
constexpr std::uint16_t kColumnNullable = 0x0001;

// A variable-length value of this length is NULL.
constexpr std::uint16_t kNullLength = 0xFFFF;

// Collation of character columns: SQL_Latin1_General_CP1_CI_AS, that is the
// locale id of US English, the ignore-case, ignore-kana and ignore-width
// flags, and sort order 52.
constexpr std::uint32_t kCollationLocaleId = 0x00409;
constexpr std::uint32_t kCollationIgnoreCase = 0x00100000;
constexpr std::uint32_t kCollationIgnoreKana = 0x00400000;
constexpr std::uint32_t kCollationIgnoreWidth = 0x00800000;
constexpr std::uint8_t kCollationSortId = 52;

}  // namespace qz::engine::tds

namespace qz::engine::tds {

// The engine presents itself as SQL Server 2000 SP4 (8.00.2039), the engine
// the launcher installs.
constexpr std::uint8_t kProductMajor = 8;
constexpr std::uint8_t kProductMinor = 0;
constexpr std::uint16_t kProductBuild = 2039;
constexpr char16_t kProductName[] = u"Microsoft SQL Server";

}  // namespace qz::engine::tds
