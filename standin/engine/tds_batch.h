#pragma once

#include <cstdint>
#include <string>

#include "bytes.h"

namespace qz::engine::tds {

// The SQL text of a SQL batch request, in UTF-8. From TDS 7.2 on the text
// follows the ALL_HEADERS block, which is skipped whole; its length field
// must lie within the request (ProtocolError otherwise).
std::string SqlBatchText(ByteView payload, std::uint32_t tds_version);

}  // namespace qz::engine::tds
