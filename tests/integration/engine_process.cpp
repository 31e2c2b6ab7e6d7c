#include "engine_process.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qz::testing {

namespace {

pid_t Spawn(const std::vector<std::string> &arguments, int stdoutPipe)
{
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(QZENGINE_PATH));
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (stdoutPipe >= 0)
            dup2(stdoutPipe, STDOUT_FILENO);
        execv(QZENGINE_PATH, argv.data());
        _exit(127);
    }
    return pid;
}

// Waits for the child to end, at most timeout; its exit status or -1.
int WaitFor(pid_t pid, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (done < 0 || std::chrono::steady_clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace

TemporaryFolder::TemporaryFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "qz-test.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TemporaryFolder::~TemporaryFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

EngineProcess::EngineProcess(const std::filesystem::path &state, const std::vector<std::string> &arguments)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        throw std::runtime_error("cannot make a pipe");
    std::vector<std::string> all = {"--listen", "127.0.0.1:0", "--state", state.string()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    pid_ = Spawn(all, pipeEnds[1]);
    close(pipeEnds[1]);

    std::string output;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (port_ == 0 && std::chrono::steady_clock::now() < deadline) {
        pollfd readable{pipeEnds[0], POLLIN, 0};
        if (poll(&readable, 1, 100) <= 0)
            continue;
        char buffer[256];
        const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        output.append(buffer, static_cast<std::size_t>(got));
        const auto at = output.find("listening on 127.0.0.1:");
        if (at != std::string::npos && output.find('\n', at) != std::string::npos)
            port_ = std::atoi(output.c_str() + at + std::strlen("listening on 127.0.0.1:"));
    }
    close(pipeEnds[0]);
    if (port_ == 0) {
        Stop();
        throw std::runtime_error("qzengine did not start: " + output);
    }
}

EngineProcess::~EngineProcess()
{
    Stop();
}

void EngineProcess::Select() const
{
    setenv("TDSPORT", std::to_string(port_).c_str(), 1);
}

int EngineProcess::Stop()
{
    if (pid_ <= 0)
        return -1;
    kill(pid_, SIGTERM);
    int status = WaitFor(pid_, std::chrono::seconds(20));
    if (status == -1) {
        kill(pid_, SIGKILL);
        WaitFor(pid_, std::chrono::seconds(5));
    }
    pid_ = -1;
    return status;
}

bool MakeBackup(const std::vector<std::string> &arguments)
{
    std::vector<std::string> all = {"--make-backup"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    const pid_t pid = Spawn(all, -1);
    return pid > 0 && WaitFor(pid, std::chrono::seconds(20)) == 0;
}

int UnusedPort()
{
    const int socketHandle = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    bind(socketHandle, reinterpret_cast<sockaddr *>(&address), sizeof address);
    getsockname(socketHandle, reinterpret_cast<sockaddr *>(&address), &length);
    close(socketHandle);
    return ntohs(address.sin_port);
}

}  // namespace qz::testing
