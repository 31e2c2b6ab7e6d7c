#include "off_thread.h"

#include "handles.h"
#include "modal.h"

#include <windows.h>

namespace qz::win {

namespace {

struct Job {
    void (*work)(void *);
    void *context;
    std::exception_ptr failure;
};

DWORD WINAPI RunJob(LPVOID parameter)
{
    Job &job = *static_cast<Job *>(parameter);
    try {
        job.work(job.context);
    } catch (...) {
        job.failure = std::current_exception();
    }
    return 0;
}

// Handles this thread's messages, sent and posted, until the thread ends.
// WM_QUIT is kept for the outer loop. Every window procedure is guarded, so
// nothing unwinds out of here while the worker still uses the job.
void HandleMessagesUntilEnded(HANDLE thread) noexcept
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
        // when the thread ends.
        const DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0)
            break;
        if (woken == WAIT_FAILED) {
            WaitForSingleObject(thread, INFINITE);
            break;
        }
    }
    if (quit)
        PostQuitMessage(static_cast<int>(exitCode));
}

}  // namespace

void RunOffUiThread(void (*work)(void *), void *context)
{
    Job job{work, context, nullptr};
    {
        const ModalScope modal;
        DWORD id = 0;
        const UniqueKernelHandle thread(CreateThread(nullptr, 0, RunJob, &job, 0, &id));
        if (thread)
            HandleMessagesUntilEnded(thread.get());
        else
            RunJob(&job);
    }
    if (job.failure)
        std::rethrow_exception(job.failure);
}

void OffThreadDatabase::Close()
{
    RunOffUiThread([this] { database_.Close(); });
}

void OffThreadDatabase::Open(std::string_view connectionString)
{
    RunOffUiThread([this, connectionString] { database_.Open(connectionString); });
}

long long OffThreadDatabase::OpenQuery(std::string_view sql)
{
    long long count = 0;
    RunOffUiThread([this, sql, &count] { count = database_.OpenQuery(sql); });
    return count;
}

void OffThreadDatabase::Execute(std::string_view sql)
{
    RunOffUiThread([this, sql] { database_.Execute(sql); });
}

}  // namespace qz::win
