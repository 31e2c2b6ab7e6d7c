// The texts that the database restore sends: the connection string and the
// three statements.
#pragma once

#include <string>
#include <string_view>

namespace qz {

inline constexpr const char *kExistenceQuery = "select * from sysdatabases where name='QUENTARO'";
inline constexpr const char *kDropStatement = "drop database QUENTARO";
inline constexpr const char *kBackupFile = "Data\\QUENTARO.bak";

// The OLE DB connection string for a logon: the six pieces joined. The user
// name, the password and the server go in as typed; one holding ";" or a
// quote is quoted the way OLE DB reads it back, so it cannot end its value
// early.
std::string ConnectionStringFor(std::string_view user, std::string_view password, std::string_view server);

// The restore statement: the backup beside the program, its data and log
// files moved into the target folder (a "\" put between folder and file name
// where the folder lacks one). A "'" in either folder is doubled, so that no
// folder name can end a string literal early.
std::string RestoreStatement(std::string_view programFolder, std::string_view targetFolder);

}  // namespace qz
