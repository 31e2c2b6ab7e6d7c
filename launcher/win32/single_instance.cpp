#include "single_instance.h"

#include "automation.h"

namespace qz::win {

namespace {

// Global: one machine, one database, whichever session starts the launcher.
// (Windows 2000 without Terminal Services ignores the prefix.)
constexpr wchar_t kLauncherMutex[] = L"Global\\QzSetupLauncher.QUENTARO";
constexpr DWORD kPatienceMs = 10000;
constexpr DWORD kPollMs = 100;

// The running launcher's window, restored when minimised and brought to the
// front with whatever box it shows; false while it has no window to show
// (still starting, or already ending).
bool BringRunningLauncherToFront()
{
    HWND main = FindWindowW(kMainWindowClass, nullptr);
    if (main == nullptr)
        return false;
    HWND owner = GetWindow(main, GW_OWNER);
    HWND application = owner != nullptr ? owner : main;
    // A minimised launcher's main window is hidden with its owner.
    const bool minimised = IsIconic(application) != FALSE;
    if (!minimised && !IsWindowVisible(main))
        return false;
    // Posted, as the task bar does: this start must not wait for a launcher
    // that is busy, and the restore shows the owned main window again.
    if (minimised)
        PostMessageW(application, WM_SYSCOMMAND, SC_RESTORE, 0);
    SetForegroundWindow(GetLastActivePopup(application));
    return true;
}

}  // namespace

std::optional<SingleInstance> SingleInstance::Claim()
{
    UniqueKernelHandle mutex(CreateMutexW(nullptr, FALSE, kLauncherMutex));
    if (!mutex) {
        // Held by a launcher of another user, whose window this one cannot
        // reach; any other failure is no reason not to run.
        if (GetLastError() == ERROR_ACCESS_DENIED)
            return std::nullopt;
        return SingleInstance(UniqueKernelHandle());
    }
    const DWORD started = GetTickCount();
    for (;;) {
        // Abandoned: a launcher ended without giving its claim up.
        const DWORD waited = WaitForSingleObject(mutex.get(), 0);
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
            return SingleInstance(std::move(mutex));
        if (BringRunningLauncherToFront() || GetTickCount() - started >= kPatienceMs)
            return std::nullopt;
        // The other one is starting (no window yet) or ending (its window
        // gone, its claim about to go).
        const DWORD later = WaitForSingleObject(mutex.get(), kPollMs);
        if (later == WAIT_OBJECT_0 || later == WAIT_ABANDONED)
            return SingleInstance(std::move(mutex));
    }
}

void SingleInstance::Release()
{
    if (mutex_) {
        ReleaseMutex(mutex_.get());
        mutex_.reset();
    }
}

}  // namespace qz::win
