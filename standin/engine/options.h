#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "paths.h"

namespace qz::engine {

// qzengine --listen 127.0.0.1:PORT --state DIR [--user NAME --password TEXT]
//          [--drive LETTER=DIR]... [--stall-ms N] [--login-stall-ms N]
//          [--fault close-on-restore]
struct ServeOptions {
    std::string address;  // IPv4, within 127.0.0.0/8
    std::uint16_t port = 0;
    std::filesystem::path state_folder;
    std::string user = "sa";
    std::string password;
    DriveMap drives;
    std::chrono::milliseconds statement_stall{0};
    std::chrono::milliseconds login_stall{0};
    // The connection is dropped when a restore arrives, before it is
    // carried out: an engine lost in the middle of the restore.
    bool close_on_restore = false;
};

// qzengine --make-backup OUT [--database NAME] [--data LOGICAL] [--log LOGICAL]
//          [--data-file F] [--log-file F]
struct MakeBackupOptions {
    std::filesystem::path output;
    std::string database = "QUENTARO";
    std::string data_logical;  // default: DATABASE_data
    std::string log_logical;   // default: DATABASE_log
    std::optional<std::filesystem::path> data_file;
    std::optional<std::filesystem::path> log_file;
};

struct HelpRequested {};

struct CommandLineError {
    std::string message;
};

using CommandLine = std::variant<ServeOptions, MakeBackupOptions, HelpRequested, CommandLineError>;

CommandLine ParseCommandLine(const std::vector<std::string_view> &arguments);

// True for a dotted IPv4 address in 127.0.0.0/8.
bool IsLoopbackAddress(std::string_view address);

extern const char kUsage[];

}  // namespace qz::engine
