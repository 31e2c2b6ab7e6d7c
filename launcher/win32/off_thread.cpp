#include "off_thread.h"

#include "handles.h"
#include "modal.h"

#include <windows.h>

namespace qz::win {

// A piece of work; what it finds, failures included, it leaves in its
// context.
struct OffThreadJob {
    void (*work)(void *);
    void *context;
};

namespace {

DWORD WINAPI RunJob(LPVOID parameter)
{
    OffThreadJob &job = *static_cast<OffThreadJob *>(parameter);
    job.work(job.context);
    return 0;
}

// Handles this thread's messages, sent and posted, until the object (a
// thread, an event) is signalled. WM_QUIT is kept for the outer loop. Every
// window procedure is guarded, so nothing unwinds out of here while the
// worker still uses the job.
void HandleMessagesUntilSignalled(HANDLE object) noexcept
{
    bool quit = false;
    WPARAM exitCode = 0;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                exitCode = message.wParam;
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        // Wakes for a message that arrives after the queue was emptied, or
        // when the object is signalled.
        const DWORD woken = MsgWaitForMultipleObjects(1, &object, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0)
            break;
        if (woken == WAIT_FAILED) {
            WaitForSingleObject(object, INFINITE);
            break;
        }
    }
    if (quit)
        PostQuitMessage(static_cast<int>(exitCode));
}

}  // namespace

void RunOffUiThread(void (*work)(void *), void *context)
{
    OffThreadJob job{work, context};
    {
        const ModalScope modal;
        DWORD id = 0;
        const UniqueKernelHandle thread(CreateThread(nullptr, 0, RunJob, &job, 0, &id));
        if (thread)
            HandleMessagesUntilSignalled(thread.get());
        else
            RunJob(&job);
    }
}

bool WorkerThread::Start()
{
    if (thread_)
        return true;
    given_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    done_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!given_ || !done_)
        return false;
    DWORD id = 0;
    thread_.reset(CreateThread(nullptr, 0, Loop, this, 0, &id));
    return static_cast<bool>(thread_);
}

DWORD WINAPI WorkerThread::Loop(LPVOID parameter)
{
    auto &self = *static_cast<WorkerThread *>(parameter);
    for (;;) {
        WaitForSingleObject(self.given_.get(), INFINITE);
        if (self.ending_)
            return 0;
        RunJob(self.piece_);
        SetEvent(self.done_.get());
    }
}

void WorkerThread::Run(void (*work)(void *), void *context)
{
    if (piece_ != nullptr || !Start()) {
        RunOffUiThread(work, context);
        return;
    }
    OffThreadJob piece{work, context};
    piece_ = &piece;
    {
        const ModalScope modal;
        SetEvent(given_.get());
        HandleMessagesUntilSignalled(done_.get());
    }
    piece_ = nullptr;
}

void WorkerThread::RunAtEnd(void (*work)(void *), void *context) noexcept
{
    OffThreadJob piece{work, context};
    // Never started: nothing was left pending by a thread of its own.
    if (piece_ != nullptr || !thread_) {
        RunJob(&piece);
        return;
    }
    piece_ = &piece;
    SetEvent(given_.get());
    WaitForSingleObject(done_.get(), INFINITE);
    piece_ = nullptr;
}

WorkerThread::~WorkerThread()
{
    if (!thread_)
        return;
    ending_ = true;
    SetEvent(given_.get());
    WaitForSingleObject(thread_.get(), INFINITE);
}

OffThreadDatabase::~OffThreadDatabase()
{
    // The connection's end (disconnect, free) on the thread of its calls.
    worker_.RunAtEnd([](void *database) { static_cast<Database *>(database)->Close(); }, &database_);
}

void OffThreadDatabase::Close()
{
    worker_.Run([this] { database_.Close(); });
}

Status OffThreadDatabase::Open(std::string_view connectionString)
{
    Status opened;
    worker_.Run([this, connectionString, &opened] { opened = database_.Open(connectionString); });
    return opened;
}

Result<long long> OffThreadDatabase::OpenQuery(std::string_view sql)
{
    Result<long long> count = 0;
    worker_.Run([this, sql, &count] { count = database_.OpenQuery(sql); });
    return count;
}

Status OffThreadDatabase::Execute(std::string_view sql)
{
    Status executed;
    worker_.Run([this, sql, &executed] { executed = database_.Execute(sql); });
    return executed;
}

}  // namespace qz::win
