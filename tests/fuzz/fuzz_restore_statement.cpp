// The launcher's restore statement, built from any two folders, read by the
// stand-in engine's statement parser: it must always be one restore of
// QUENTARO from the backup beside the program, with both files moved into the
// target folder, whatever the folders hold.
//
// Input: the program folder, a zero byte, the target folder (no zero byte:
// the whole input is the program folder and the target is empty). A zero
// byte cannot stand in a Windows path, so none is tried inside one.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>

#include "restore.h"
#include "statement.h"
#include "text.h"

namespace {

std::string_view g_program;
std::string_view g_target;

[[noreturn]] void Violation(const char *what)
{
    std::fprintf(stderr, "fuzz_restore_statement: %s (program folder of %zu bytes, target of %zu)\n", what,
                 g_program.size(), g_target.size());
    std::abort();
}

bool IsValidUtf8(std::string_view text)
{
    // Valid exactly when the engine's own conversion keeps it unchanged.
    return qz::engine::Utf16ToUtf8(qz::engine::Utf8ToUtf16(text)) == text;
}

void Check(const std::string &sql, std::string_view program, std::string_view target)
{
    const qz::engine::Statement statement = qz::engine::ParseStatement(sql);
    if (const auto *error = std::get_if<qz::engine::SyntaxError>(&statement)) {
        std::fprintf(stderr, "syntax error near '%s'%s\n", error->near.c_str(),
                     error->unclosed_quote ? " (unclosed quote)" : "");
        Violation("the restore statement does not parse");
    }
    const auto *restore = std::get_if<qz::engine::RestoreDatabase>(&statement);
    if (restore == nullptr)
        Violation("the restore statement parses as another statement");
    if (restore->name != "QUENTARO")
        Violation("the restore names another database");
    if (!restore->replace)
        Violation("the restore lost its replace option");
    if (restore->backup_path != std::string(program) + "Data\\QUENTARO.bak")
        Violation("the backup path differs from the program folder's backup");
    std::string folder(target);
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    if (restore->moves.size() != 2)
        Violation("the restore does not move exactly two files");
    if (restore->moves[0].logical_name != "QUENTARO_data" || restore->moves[0].target != folder + "QUENTARO_data.MDF")
        Violation("the data file's move differs");
    if (restore->moves[1].logical_name != "QUENTARO_log" || restore->moves[1].target != folder + "QUENTARO_log.LDF")
        Violation("the log file's move differs");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::size_t cut = input.find('\0');
    g_program = cut == std::string_view::npos ? input : input.substr(0, cut);
    g_target = cut == std::string_view::npos ? std::string_view{} : input.substr(cut + 1);
    if (g_target.find('\0') != std::string_view::npos)
        return -1;  // a second zero byte: not a pair of folders

    // The launcher ends each statement with CR LF.
    const std::string sql = qz::RestoreStatement(g_program, g_target) + "\r\n";
    // As the parser sees the bytes, CR, LF and any other byte included.
    Check(sql, g_program, g_target);
    // As it arrives over the wire: UTF-16 and back, which keeps valid UTF-8.
    if (IsValidUtf8(sql))
        Check(qz::engine::Utf16ToUtf8(qz::engine::Utf8ToUtf16(sql)), g_program, g_target);
    return 0;
}
