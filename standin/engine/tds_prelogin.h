#pragma once

#include <cstdint>
#include <optional>

#include "bytes.h"

namespace qz::engine::tds {

// What the engine reads from a PRELOGIN request.
struct PreLoginRequest {
    std::optional<std::uint8_t> encryption;
    bool mars_offered = false;
};

// Throws ProtocolError when the option table or an option's data runs past
// the payload.
PreLoginRequest ParsePreLogin(ByteView payload);

// The answer: the engine's version, encryption not supported (so that the
// login follows in clear), no instance name, no thread id, and MARS off when
// the client asked about it.
Bytes PreLoginReply(const PreLoginRequest &request);

}  // namespace qz::engine::tds
