#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "bytes.h"

namespace qz::engine {

// One database file inside a backup.
struct BackupFile {
    std::string logical_name;
    std::string original_path;  // the Windows path it was backed up from
    Bytes contents;
};

// A full backup of one database: its data file and its log file. The
// layout is described in README.md ("Backup format").
struct Backup {
    std::string database;
    BackupFile data;
    BackupFile log;
};

Bytes EncodeBackup(const Backup &backup);

// Nothing when the bytes are not a whole, undamaged backup: wrong magic or
// version, a checksum mismatch, a length running past the end, bytes left
// over, or files that are not one data and one log file with distinct names.
std::optional<Backup> DecodeBackup(ByteView bytes);

// CRC-32 as used by zip and zlib (reflected polynomial 0xEDB88320).
std::uint32_t Crc32(ByteView bytes);

// A backup with small generated contents (a data page and half a log page),
// the same on every call for the same names.
Backup SampleBackup(std::string_view database, std::string_view data_logical, std::string_view log_logical);

// The Windows path a file of the sample had on the machine it came from.
std::string DefaultOriginalPath(std::string_view logical_name, bool is_log);

}  // namespace qz::engine
