#include "batch_log.h"

#include <cerrno>
#include <string>
#include <system_error>

#include "text.h"

namespace qz::engine {

BatchLog::BatchLog(const std::filesystem::path &file) : file_(std::fopen(file.c_str(), "ae"))
{
    if (!file_)
        throw std::system_error(errno, std::generic_category(), "cannot open " + file.string());
}

void BatchLog::Append(std::string_view batch)
{
    std::string line = EscapeLine(batch);
    line += '\n';
    std::lock_guard lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), file_.get());
    std::fflush(file_.get());
}

}  // namespace qz::engine
