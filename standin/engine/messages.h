#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "result.h"

// Every message the engine sends, with the real engine's number, state,
// class and text (SQL Server 2000 wording where it differs).
namespace qz::engine::messages {

// A Windows system error as the engine quotes it: "3(The system cannot find
// the path specified.)".
struct OsError {
    int code = 0;
    std::string text;

    std::string Quoted() const;
};

OsError FileNotFound();  // 2
OsError PathNotFound();  // 3
OsError AccessDenied();  // 5
// The Windows error closest to a POSIX errno; ENOENT reads as "file not
// found" or "path not found" depending on what was missing.
OsError FromErrno(int error, bool directory_missing);

// Logins.
ServerMessage LoginFailed(std::string_view user);              // 18456
ServerMessage UntrustedLoginFailed();                          // 18452
ServerMessage CannotOpenLoginDatabase(std::string_view name);  // 4060

// Statements.
ServerMessage SyntaxErrorNear(std::string_view token);   // 102
ServerMessage UnclosedQuotation(std::string_view text);  // 105
ServerMessage RequestNotSupported();                     // 50000
// The engine's own state folder refused a write (no real engine counterpart).
ServerMessage CatalogNotWritten();  // 50000

// DROP DATABASE.
ServerMessage DropDatabaseMissing(std::string_view name);  // 3701
ServerMessage DropDatabaseInUse(std::string_view name);    // 3702
ServerMessage DropSystemDatabase(std::string_view name);   // 3708

// RESTORE DATABASE.
ServerMessage RestoreTerminating();                          // 3013
ServerMessage RestoreSucceeded(std::uint64_t pages);         // 3014
ServerMessage ExclusiveAccessDenied();                       // 3101
ServerMessage RestoreOwnDatabase(std::string_view name);     // 3102
ServerMessage RestoreOnTempdb();                             // 3147
ServerMessage BackupOfOtherDatabase(std::string_view name);  // 3154
ServerMessage FileClaimedTwice(std::string_view target, std::string_view first_logical,
                               std::string_view second_logical);                              // 3176
ServerMessage FileCannotBeRestored(std::string_view logical, std::string_view target);        // 3156
ServerMessage CannotOpenBackupDevice(std::string_view path, const OsError &error);            // 3201
ServerMessage LogicalFileNotInDatabase(std::string_view logical, std::string_view database);  // 3234
ServerMessage MediaIncorrectlyFormed(std::string_view path);                                  // 3241
ServerMessage FileUsedByDatabase(std::string_view target, std::string_view database);         // 1834
ServerMessage CreateFileFailed(std::string_view target, const OsError &error);                // 5123
ServerMessage DirectoryLookupFailed(std::string_view target, const OsError &error);           // 5133

// Pages of 8 KB a restore of this many bytes processes.
std::uint64_t PagesFor(std::uint64_t bytes);

}  // namespace qz::engine::messages
