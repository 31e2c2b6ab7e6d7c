#include "server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <system_error>

namespace qz::engine {
namespace {

// More clients than this at once are turned away: the launcher needs one,
// its tests a handful.
constexpr std::size_t kMaxConnections = 64;
constexpr int kListenBacklog = 16;

[[noreturn]] void ThrowErrno(const std::string &what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

Server::Server(Engine &engine, EngineLog &log, Delays delays) : engine_(engine), log_(log), delays_(delays) {}

Server::~Server()
{
    Stop();
}

std::uint16_t Server::Start(const std::string &ipv4_address, std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, ipv4_address.c_str(), &address.sin_addr) != 1)
        throw std::system_error(EINVAL, std::generic_category(), "not an IPv4 address: " + ipv4_address);

    listener_.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener_.Valid())
        ThrowErrno("socket");
    int on = 1;
    ::setsockopt(listener_.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(listener_.Get(), reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
        ThrowErrno("bind " + ipv4_address + ":" + std::to_string(port));
    if (::listen(listener_.Get(), kListenBacklog) != 0)
        ThrowErrno("listen");
    socklen_t length = sizeof address;
    if (::getsockname(listener_.Get(), reinterpret_cast<sockaddr *>(&address), &length) != 0)
        ThrowErrno("getsockname");

    int pipe_ends[2];
    if (::pipe2(pipe_ends, O_CLOEXEC) != 0)
        ThrowErrno("pipe");
    wake_read_.Reset(pipe_ends[0]);
    wake_write_.Reset(pipe_ends[1]);
    acceptor_ = std::thread([this] { AcceptLoop(); });
    return ntohs(address.sin_port);
}

void Server::Stop()
{
    if (acceptor_.joinable()) {
        const char wake = 1;
        if (::write(wake_write_.Get(), &wake, 1) != 1)
            std::cerr << "qzengine: cannot wake the acceptor\n";
        acceptor_.join();
    }
    listener_.Reset();
    std::list<std::unique_ptr<Worker>> workers;
    {
        std::lock_guard lock(mutex_);
        workers.swap(workers_);
    }
    for (auto &worker : workers)
        ::shutdown(worker->socket.Get(), SHUT_RDWR);
    for (auto &worker : workers)
        worker->thread.join();
}

std::size_t Server::ActiveConnections()
{
    std::lock_guard lock(mutex_);
    ReapFinished();
    return workers_.size();
}

void Server::ReapFinished()
{
    for (auto it = workers_.begin(); it != workers_.end();) {
        if ((*it)->finished) {
            (*it)->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}

void Server::AcceptLoop()
{
    for (;;) {
        pollfd watch[2] = {{listener_.Get(), POLLIN, 0}, {wake_read_.Get(), POLLIN, 0}};
        if (::poll(watch, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            std::cerr << "qzengine: poll: " << std::strerror(errno) << '\n';
            return;
        }
        if (watch[1].revents != 0)
            return;
        UniqueFd client(::accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!client.Valid())
            continue;  // the client gave up before it was accepted
        Serve(std::move(client));
    }
}

void Server::Serve(UniqueFd socket)
{
    std::lock_guard lock(mutex_);
    ReapFinished();
    if (workers_.size() >= kMaxConnections)
        return;  // closing the socket turns the client away
    int on = 1;
    ::setsockopt(socket.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    auto worker = std::make_unique<Worker>();
    worker->socket = std::move(socket);
    Worker *self = worker.get();
    try {
        worker->thread = std::thread([this, self] {
            Connection(self->socket.Get(), engine_, log_, delays_).Run();
            self->finished = true;
        });
    } catch (const std::system_error &error) {
        std::cerr << "qzengine: cannot start a connection thread: " << error.what() << '\n';
        return;
    }
    workers_.push_back(std::move(worker));
}

}  // namespace qz::engine
