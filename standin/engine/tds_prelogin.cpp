#include "tds_prelogin.h"

#include <vector>

#include "tds_constants.h"

namespace qz::engine::tds {
namespace {

constexpr std::size_t kOptionEntrySize = 5;  // token, offset (2), length (2)
constexpr std::uint8_t kInstanceNameTerminator = 0x00;

struct Option {
    PreLoginOption token;
    Bytes data;
};

Bytes VersionData()
{
    ByteWriter out;
    out.U8(kProductMajor);
    out.U8(kProductMinor);
    out.U16BE(kProductBuild);
    out.U16BE(0);  // sub-build
    return out.Take();
}

}  // namespace

PreLoginRequest ParsePreLogin(ByteView payload)
{
    PreLoginRequest request;
    ByteReader table(payload);
    for (;;) {
        auto token = static_cast<PreLoginOption>(table.U8());
        if (token == PreLoginOption::Terminator)
            break;
        std::uint16_t offset = table.U16BE();
        std::uint16_t length = table.U16BE();
        if (std::size_t{offset} + length > payload.size())
            throw ProtocolError("PRELOGIN option data beyond the message");
        ByteView data = payload.subspan(offset, length);
        if (token == PreLoginOption::Encryption && !data.empty())
            request.encryption = data[0];
        if (token == PreLoginOption::Mars)
            request.mars_offered = true;
    }
    return request;
}

Bytes PreLoginReply(const PreLoginRequest &request)
{
    std::vector<Option> options;
    options.push_back({PreLoginOption::Version, VersionData()});
    options.push_back({PreLoginOption::Encryption, {kEncryptNotSupported}});
    options.push_back({PreLoginOption::Instance, {kInstanceNameTerminator}});
    options.push_back({PreLoginOption::ThreadId, {}});
    if (request.mars_offered)
        options.push_back({PreLoginOption::Mars, {kMarsOff}});

    ByteWriter out;
    std::size_t data_offset = options.size() * kOptionEntrySize + 1;  // + terminator
    for (const Option &option : options) {
        out.U8(static_cast<std::uint8_t>(option.token));
        out.U16BE(static_cast<std::uint16_t>(data_offset));
        out.U16BE(static_cast<std::uint16_t>(option.data.size()));
        data_offset += option.data.size();
    }
    out.U8(static_cast<std::uint8_t>(PreLoginOption::Terminator));
    for (const Option &option : options)
        out.Append(option.data);
    return out.Take();
}

}  // namespace qz::engine::tds
