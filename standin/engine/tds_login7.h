#pragma once

#include <cstdint>
#include <string>

#include "bytes.h"

namespace qz::engine::tds {

// The fields of a LOGIN7 record that the engine uses; strings in UTF-8.
struct Login7 {
    std::uint32_t tds_version = 0;
    std::uint32_t packet_size = 0;
    bool integrated_security = false;
    std::string host_name;
    std::string user_name;
    std::string password;
    std::string app_name;
    std::string server_name;
    std::string library_name;
    std::string language;
    std::string database;
};

// Reads the fixed part (86 bytes up to TDS 7.1, 94 from 7.2, chosen by the
// client's version) and the strings it points to. Throws ProtocolError when
// the record is shorter than its fixed part or a string lies outside it.
Login7 ParseLogin7(ByteView payload);

// Undoes the client's password scrambling (each byte's nibbles swapped, then
// XOR 0xA5) and reads the UTF-16LE result.
std::string DecodePassword(ByteView scrambled);

}  // namespace qz::engine::tds
