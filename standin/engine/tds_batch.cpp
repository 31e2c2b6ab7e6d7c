#include "tds_batch.h"

#include "tds_constants.h"
#include "text.h"

namespace qz::engine::tds {

std::string SqlBatchText(ByteView payload, std::uint32_t tds_version)
{
    ByteView text = payload;
    if (Generation(tds_version) >= kGeneration72) {
        ByteReader in(payload);
        std::uint32_t headers_length = in.U32LE();
        if (headers_length < kAllHeadersLengthSize || headers_length > payload.size())
            throw ProtocolError("ALL_HEADERS length outside the request");
        text = payload.subspan(headers_length);
    }
    return Utf16ToUtf8(Utf16FromLE(text));
}

}  // namespace qz::engine::tds
