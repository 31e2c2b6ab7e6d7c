#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string_view>

namespace qz::engine {

inline constexpr char kBatchLogFileName[] = "batches.log";
inline constexpr char kEventLogFileName[] = "events.log";

// What the engine saw, in its state folder, each line flushed at once so that
// a test reading a file sees a line as soon as it was written:
// - batches.log: every SQL batch received, one a line (backslash, CR, LF and
//   TAB escaped as \\, \r, \n, \t), for tests that count statements;
// - events.log: the same batches among every other event of a connection
//   (login accepted or refused and why, stalls, attention, replies, the end),
//   each line with the time and the connection's number, so that a failed
//   test can tell what reached the engine and when.
class EngineLog {
public:
    // Throws std::system_error when a file cannot be opened for appending.
    explicit EngineLog(const std::filesystem::path &state_folder);

    void Batch(std::uint64_t connection, std::string_view batch);
    void Event(std::uint64_t connection, std::string_view event);

private:
    struct Closer {
        void operator()(std::FILE *file) const { std::fclose(file); }
    };
    using File = std::unique_ptr<std::FILE, Closer>;
    static File Open(const std::filesystem::path &file);

    std::mutex mutex_;
    File batches_;
    File events_;
};

}  // namespace qz::engine
