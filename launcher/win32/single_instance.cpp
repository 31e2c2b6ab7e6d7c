#include "single_instance.h"

#include "automation.h"

namespace qz::win {

namespace {

// In the session's own namespace: a name in the global one could be made
// first by any local user, with an access list that shuts every launcher
// out. Launchers in two sessions do not see each other; two restores at once
// the engine turns away itself. (Windows 2000 without Terminal Services
// ignores the prefix.)
constexpr wchar_t kLauncherMutex[] = L"Local\\QzSetupLauncher.QUENTARO";
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
        // Made by another user's program with an access list that shuts us
        // out (a launcher of this session, elevated as this one is, would
        // not), or any other failure: no reason not to run.
        return SingleInstance(UniqueKernelHandle());
    }
    const DWORD started = GetTickCount();
    for (;;) {
        // Abandoned: a launcher ended without giving its claim up.
        const DWORD waited = WaitForSingleObject(mutex.get(), 0);
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
            return SingleInstance(std::move(mutex));
        if (BringRunningLauncherToFront())
            return std::nullopt;
        // Held all along, and no launcher window came: a launcher that hangs
        // before its window, or another program that holds the name. This
        // one runs, without the claim, rather than end without a word.
        if (GetTickCount() - started >= kPatienceMs)
            return SingleInstance(UniqueKernelHandle());
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
