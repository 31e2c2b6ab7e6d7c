#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qz::engine {

// A batch holding only blanks and comments.
struct EmptyBatch {};

// "SET ..." sent by drivers after the login; acknowledged and otherwise ignored.
struct ConnectionSetting {};

// select * from [master..]sysdatabases where name = 'X'
struct ExistenceQuery {
    std::string name;
};

// drop database NAME
struct DropDatabase {
    std::string name;
};

struct FileMove {
    std::string logical_name;
    std::string target;  // a Windows path
};

// restore database NAME from disk = 'PATH' [with replace | move 'L' to 'T', ...]
struct RestoreDatabase {
    std::string name;
    std::string backup_path;  // a Windows path
    bool replace = false;
    std::vector<FileMove> moves;
};

// The batch is not one of the statements above. `near` is the first token
// that does not fit (its content, for quoted text), or the last token when
// the batch ends too early.
struct SyntaxError {
    std::string near;
    bool unclosed_quote = false;  // a string or quoted name runs to the end
};

using Statement =
    std::variant<EmptyBatch, ConnectionSetting, ExistenceQuery, DropDatabase, RestoreDatabase, SyntaxError>;

// Keywords ignore case; any blanks (CR LF included) and comments may stand
// between and after tokens; one ";" may end the statement. Strings are in
// single quotes (N'...' too) with '' for a quote inside; names may be
// written plain, in [brackets] (]] inside) or in "double quotes".
Statement ParseStatement(std::string_view sql);

}  // namespace qz::engine
