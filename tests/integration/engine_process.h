// Starts the stand-in engine (qzengine) on a free loopback port for one test
// and stops it, by its process id, when the test ends.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <sys/types.h>

namespace qz::testing {

// A fresh temporary folder, removed with everything in it at the end.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;
    const std::filesystem::path &Path() const { return path_; }

private:
    std::filesystem::path path_;
};

class EngineProcess {
public:
    // Starts qzengine with the given extra arguments after --listen and
    // --state, and waits (at most 20 s) for its "listening on" line.
    EngineProcess(const std::filesystem::path &state, const std::vector<std::string> &arguments = {});
    ~EngineProcess();
    EngineProcess(const EngineProcess &) = delete;
    EngineProcess &operator=(const EngineProcess &) = delete;

    int Port() const { return port_; }
    // Points FreeTDS at this engine for the connections that follow.
    void Select() const;
    // Sends SIGTERM and waits (at most 20 s); the exit status, or -1.
    int Stop();

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

// Runs qzengine --make-backup with these arguments; true on exit status 0.
bool MakeBackup(const std::vector<std::string> &arguments);

// A loopback port on which nothing listens (bound, then released).
int UnusedPort();

}  // namespace qz::testing
