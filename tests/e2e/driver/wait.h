// Waiting for a condition until a deadline, polling at a short interval.
#pragma once

#include <windows.h>

namespace qzdrive {

inline constexpr long long kDefaultTimeoutMs = 5000;
inline constexpr DWORD kPollIntervalMs = 25;

class Deadline {
public:
    explicit Deadline(long long timeoutMs)
        : start_(GetTickCount64()), end_(start_ + static_cast<ULONGLONG>(timeoutMs < 0 ? 0 : timeoutMs))
    {
    }

    bool Passed() const { return GetTickCount64() >= end_; }
    long long ElapsedMs() const { return static_cast<long long>(GetTickCount64() - start_); }

    // Waits one poll interval, or less when the deadline is nearer.
    void Pause() const
    {
        const ULONGLONG now = GetTickCount64();
        if (now < end_)
            Sleep(static_cast<DWORD>(end_ - now < kPollIntervalMs ? end_ - now : kPollIntervalMs));
    }

    // Calls probe until it gives something true or the deadline passes (it is
    // called at least once), and returns its last result.
    template <typename Probe>
    auto Poll(Probe probe) const -> decltype(probe())
    {
        for (;;) {
            auto result = probe();
            if (result || Passed())
                return result;
            Pause();
        }
    }

private:
    ULONGLONG start_;
    ULONGLONG end_;
};

}  // namespace qzdrive
