#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine_log.h"
#include "connection.h"
#include "engine.h"
#include "unique_fd.h"

namespace qz::engine {

// Accepts TCP connections on one IPv4 address and serves each on a thread of
// its own. Stop (or destruction) stops accepting, shuts every connection's
// socket down and joins all threads.
class Server {
public:
    Server(Engine &engine, EngineLog &log, Delays delays);
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;
    ~Server();

    // Binds (port 0: a free port the system picks) and starts accepting;
    // returns the port bound. Throws std::system_error.
    std::uint16_t Start(const std::string &ipv4_address, std::uint16_t port);
    void Stop();

    // Connections now being served.
    std::size_t ActiveConnections();

private:
    struct Worker {
        UniqueFd socket;
        std::thread thread;
        std::atomic<bool> finished{false};
    };

    void AcceptLoop();
    void Serve(UniqueFd socket);
    // Joins workers whose connection has ended; mutex_ held.
    void ReapFinished();

    Engine &engine_;
    EngineLog &log_;
    Delays delays_;
    UniqueFd listener_;
    UniqueFd wake_read_;
    UniqueFd wake_write_;
    std::thread acceptor_;
    std::mutex mutex_;
    std::list<std::unique_ptr<Worker>> workers_;
};

}  // namespace qz::engine
