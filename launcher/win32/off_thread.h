// Blocking work (the connection's login, a statement on the engine) runs on a
// thread of its own while the UI thread goes on handling messages with every
// window of the launcher disabled, as under a message box: the window keeps
// painting and answering the system, and no click starts a second action.
// Only the UI thread touches windows; the work touches none.
#pragma once

#include "../services.h"
#include "handles.h"

#include <type_traits>

namespace qz::win {

struct OffThreadJob;

// Runs work(context) on a worker thread and returns when it has ended; what
// it finds (a result, a failure) it leaves in what it captured. A WM_QUIT
// that arrives meanwhile is posted again afterwards. Where no thread can be
// started, the work runs here.
void RunOffUiThread(void (*work)(void *), void *context);

template <typename Work>
void RunOffUiThread(Work &&work)
{
    RunOffUiThread([](void *context) { (*static_cast<std::remove_reference_t<Work> *>(context))(); },
                   const_cast<void *>(static_cast<const void *>(&work)));
}

// One thread that carries out work, one piece at a time, for as long as it
// lives: started at the first piece, ended by the destructor. Before Vista,
// Windows cancels the I/O that a thread left pending when that thread ends,
// so whatever a connection's driver leaves pending between calls must stay
// with a thread that outlives the connection.
class WorkerThread {
public:
    WorkerThread() = default;
    // Ends the thread once its piece of work, if any, is done.
    ~WorkerThread();
    WorkerThread(const WorkerThread &) = delete;
    WorkerThread &operator=(const WorkerThread &) = delete;

    // As RunOffUiThread, on this thread. A piece asked for while another
    // runs (nothing in the launcher does) runs on a thread of its own.
    void Run(void (*work)(void *), void *context);
    template <typename Work>
    void Run(Work &&work)
    {
        Run([](void *context) { (*static_cast<std::remove_reference_t<Work> *>(context))(); },
            const_cast<void *>(static_cast<const void *>(&work)));
    }
    // Runs work there and waits, handling no messages: for the end of the
    // program, when no window is left to answer.
    void RunAtEnd(void (*work)(void *), void *context) noexcept;

private:
    static DWORD WINAPI Loop(LPVOID self);
    bool Start();

    UniqueKernelHandle given_;  // auto-reset: a piece (or the end) is there
    UniqueKernelHandle done_;   // auto-reset: the piece is done
    UniqueKernelHandle thread_;
    OffThreadJob *piece_ = nullptr;
    bool ending_ = false;
};

// The main window's database: every call on it, and its close at the end,
// carried out on one worker thread that lives as long as the connection.
class OffThreadDatabase final : public Database {
public:
    explicit OffThreadDatabase(Database &database) : database_(database) {}
    // Closes the connection on its thread, then ends the thread.
    ~OffThreadDatabase();

    void Close() override;
    Status Open(std::string_view connectionString) override;
    Result<long long> OpenQuery(std::string_view sql) override;
    Status Execute(std::string_view sql) override;

private:
    Database &database_;
    WorkerThread worker_;
};

}  // namespace qz::win
