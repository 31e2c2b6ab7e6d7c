#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string_view>

namespace qz::engine {

// batches.log in the state folder: every SQL batch received, one a line
// (backslash, CR, LF and TAB escaped as \\, \r, \n, \t), flushed at once so
// that a test reading it sees each batch as soon as it was answered.
class BatchLog {
public:
    // Throws std::system_error when the file cannot be opened for appending.
    explicit BatchLog(const std::filesystem::path &file);

    void Append(std::string_view batch);

private:
    struct Closer {
        void operator()(std::FILE *file) const { std::fclose(file); }
    };
    std::mutex mutex_;
    std::unique_ptr<std::FILE, Closer> file_;
};

inline constexpr char kBatchLogFileName[] = "batches.log";

}  // namespace qz::engine
