#include "messages.h"

#include <cerrno>
#include <cstdio>

namespace qz::engine::messages {
namespace {

constexpr std::uint8_t kInformational = 10;
constexpr std::uint8_t kMissingObject = 11;
constexpr std::uint8_t kLoginClass = 14;
constexpr std::uint8_t kSyntaxClass = 15;
constexpr std::uint8_t kUserError = 16;

constexpr std::uint64_t kPageSize = 8192;
constexpr double kReportedSeconds = 0.010;
constexpr double kBytesPerMegabyte = 1024.0 * 1024.0;

ServerMessage Make(std::int32_t number, std::uint8_t state, std::uint8_t severity, std::string text)
{
    return ServerMessage{number, state, severity, std::move(text)};
}

std::string Str(std::string_view text)
{
    return std::string(text);
}

}  // namespace

std::string OsError::Quoted() const
{
    return std::to_string(code) + "(" + text + ")";
}

OsError FileNotFound()
{
    return {2, "The system cannot find the file specified."};
}
OsError PathNotFound()
{
    return {3, "The system cannot find the path specified."};
}
OsError AccessDenied()
{
    return {5, "Access is denied."};
}

OsError FromErrno(int error, bool directory_missing)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR: return directory_missing ? PathNotFound() : FileNotFound();
    case EACCES:
    case EPERM:
    case EISDIR: return AccessDenied();
    case ENOSPC: return {112, "There is not enough space on the disk."};
    case EROFS: return {19, "The media is write protected."};
    default: return {31, "A device attached to the system is not functioning."};
    }
}

ServerMessage LoginFailed(std::string_view user)
{
    return Make(18456, 1, kLoginClass, "Login failed for user '" + Str(user) + "'.");
}

ServerMessage UntrustedLoginFailed()
{
    return Make(18452, 1, kLoginClass,
                "Login failed for user '(null)'. Reason: Not associated with a trusted SQL Server connection.");
}

ServerMessage CannotOpenLoginDatabase(std::string_view name)
{
    return Make(4060, 1, kMissingObject, "Cannot open database requested in login '" + Str(name) + "'. Login fails.");
}

ServerMessage SyntaxErrorNear(std::string_view token)
{
    return Make(102, 1, kSyntaxClass, "Incorrect syntax near '" + Str(token) + "'.");
}

ServerMessage UnclosedQuotation(std::string_view text)
{
    return Make(105, 1, kSyntaxClass, "Unclosed quotation mark before the character string '" + Str(text) + "'.");
}

ServerMessage RequestNotSupported()
{
    return Make(50000, 1, kUserError, "This engine runs SQL batches only.");
}

ServerMessage CatalogNotWritten()
{
    return Make(50000, 2, kUserError, "The engine could not write its catalog file.");
}

ServerMessage DropDatabaseMissing(std::string_view name)
{
    return Make(3701, 1, kMissingObject,
                "Cannot drop the database '" + Str(name) + "', because it does not exist in the system catalog.");
}

ServerMessage DropDatabaseInUse(std::string_view name)
{
    return Make(3702, 1, kUserError, "Cannot drop the database '" + Str(name) + "' because it is currently in use.");
}

ServerMessage DropSystemDatabase(std::string_view name)
{
    return Make(3708, 1, kUserError, "Cannot drop the database '" + Str(name) + "' because it is a system database.");
}

ServerMessage RestoreTerminating()
{
    return Make(3013, 1, kUserError, "RESTORE DATABASE is terminating abnormally.");
}

ServerMessage RestoreSucceeded(std::uint64_t pages)
{
    double megabytes_per_second = static_cast<double>(pages * kPageSize) / kBytesPerMegabyte / kReportedSeconds;
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.3f", megabytes_per_second);
    return Make(3014, 1, kInformational,
                "RESTORE DATABASE successfully processed " + std::to_string(pages) + " pages in 0.010 seconds (" +
                    rate + " MB/sec).");
}

ServerMessage ExclusiveAccessDenied()
{
    return Make(3101, 1, kUserError, "Exclusive access could not be obtained because the database is in use.");
}

ServerMessage RestoreOwnDatabase(std::string_view name)
{
    return Make(3102, 1, kUserError,
                "RESTORE cannot process database '" + Str(name) +
                    "' because it is in use by this client. It is recommended that the master database be used "
                    "when performing this operation.");
}

ServerMessage RestoreOnTempdb()
{
    return Make(3147, 1, kUserError, "Backup and restore operations are not allowed on database tempdb.");
}

ServerMessage BackupOfOtherDatabase(std::string_view name)
{
    return Make(3154, 1, kUserError,
                "The backup set holds a backup of a database other than the existing '" + Str(name) + "' database.");
}

ServerMessage FileClaimedTwice(std::string_view target, std::string_view first_logical, std::string_view second_logical)
{
    return Make(3176, 1, kUserError,
                "File '" + Str(target) + "' is claimed by '" + Str(second_logical) + "'(2) and '" + Str(first_logical) +
                    "'(1). The WITH MOVE clause can be used to relocate one or more files.");
}

ServerMessage FileCannotBeRestored(std::string_view logical, std::string_view target)
{
    return Make(3156, 1, kUserError,
                "File '" + Str(logical) + "' cannot be restored to '" + Str(target) +
                    "'. Use WITH MOVE to identify a valid location for the file.");
}

ServerMessage CannotOpenBackupDevice(std::string_view path, const OsError &error)
{
    return Make(3201, 2, kUserError,
                "Cannot open backup device '" + Str(path) + "'. Operating system error " + error.Quoted() + ".");
}

ServerMessage LogicalFileNotInDatabase(std::string_view logical, std::string_view database)
{
    return Make(3234, 2, kUserError,
                "Logical file '" + Str(logical) + "' is not part of database '" + Str(database) +
                    "'. Use RESTORE FILELISTONLY to list the logical file names.");
}

ServerMessage MediaIncorrectlyFormed(std::string_view path)
{
    return Make(3241, 1, kUserError,
                "The media family on device '" + Str(path) +
                    "' is incorrectly formed. SQL Server cannot process this media family.");
}

ServerMessage FileUsedByDatabase(std::string_view target, std::string_view database)
{
    return Make(1834, 1, kUserError,
                "The file '" + Str(target) + "' cannot be overwritten.  It is being used by database '" +
                    Str(database) + "'.");
}

ServerMessage CreateFileFailed(std::string_view target, const OsError &error)
{
    return Make(5123, 1, kUserError,
                "CREATE FILE encountered operating system error " + error.Quoted() +
                    " while attempting to open or create the physical file '" + Str(target) + "'.");
}

ServerMessage DirectoryLookupFailed(std::string_view target, const OsError &error)
{
    return Make(5133, 1, kUserError,
                "Directory lookup for the file \"" + Str(target) + "\" failed with the operating system error " +
                    error.Quoted() + ".");
}

std::uint64_t PagesFor(std::uint64_t bytes)
{
    return (bytes + kPageSize - 1) / kPageSize;
}

}  // namespace qz::engine::messages
