#include "tds_login7.h"

#include "tds_constants.h"
#include "text.h"

namespace qz::engine::tds {
namespace {

constexpr std::size_t kFixedSize71 = 86;
constexpr std::size_t kFixedSize72 = 94;

// Offsets in the fixed part.
constexpr std::size_t kAtLength = 0;
constexpr std::size_t kAtVersion = 4;
constexpr std::size_t kAtPacketSize = 8;
constexpr std::size_t kAtOptionFlags2 = 25;
constexpr std::size_t kAtHostName = 36;
constexpr std::size_t kAtUserName = 40;
constexpr std::size_t kAtPassword = 44;
constexpr std::size_t kAtAppName = 48;
constexpr std::size_t kAtServerName = 52;
constexpr std::size_t kAtLibraryName = 60;
constexpr std::size_t kAtLanguage = 64;
constexpr std::size_t kAtDatabase = 68;

constexpr std::uint8_t kPasswordMask = 0xA5;

std::uint32_t U32At(ByteView payload, std::size_t at)
{
    ByteReader in(payload.subspan(at));
    return in.U32LE();
}

// The bytes of the UTF-16 string described by the {offset, character count}
// pair at `at`.
ByteView StringBytes(ByteView record, std::size_t at)
{
    ByteReader pair(record.subspan(at));
    std::size_t offset = pair.U16LE();
    std::size_t chars = pair.U16LE();
    if (chars == 0)
        return {};
    if (offset + 2 * chars > record.size())
        throw ProtocolError("LOGIN7 string beyond the record");
    return record.subspan(offset, 2 * chars);
}

std::string StringAt(ByteView record, std::size_t at)
{
    return Utf16ToUtf8(Utf16FromLE(StringBytes(record, at)));
}

}  // namespace

std::string DecodePassword(ByteView scrambled)
{
    Bytes plain(scrambled.begin(), scrambled.end());
    for (std::uint8_t &b : plain) {
        std::uint8_t unmasked = b ^ kPasswordMask;
        b = static_cast<std::uint8_t>((unmasked << 4) | (unmasked >> 4));
    }
    return Utf16ToUtf8(Utf16FromLE(plain));
}

Login7 ParseLogin7(ByteView payload)
{
    if (payload.size() < kFixedSize71)
        throw ProtocolError("LOGIN7 record shorter than its fixed part");
    Login7 login;
    login.tds_version = U32At(payload, kAtVersion);
    std::size_t fixed = Generation(login.tds_version) >= kGeneration72 ? kFixedSize72 : kFixedSize71;
    std::size_t length = U32At(payload, kAtLength);
    if (length < fixed || length > payload.size())
        throw ProtocolError("LOGIN7 length field disagrees with the record");
    ByteView record = payload.first(length);

    login.packet_size = U32At(record, kAtPacketSize);
    login.integrated_security = (record[kAtOptionFlags2] & kOptionFlags2IntegratedSecurity) != 0;
    login.host_name = StringAt(record, kAtHostName);
    login.user_name = StringAt(record, kAtUserName);
    login.password = DecodePassword(StringBytes(record, kAtPassword));
    login.app_name = StringAt(record, kAtAppName);
    login.server_name = StringAt(record, kAtServerName);
    login.library_name = StringAt(record, kAtLibraryName);
    login.language = StringAt(record, kAtLanguage);
    login.database = StringAt(record, kAtDatabase);
    return login;
}

}  // namespace qz::engine::tds
