// One launcher per session: a second start (a double-click too many on a slow
// medium, or the launcher of another medium) brings the running launcher to
// the front and ends, so that two restores never run at once.
#pragma once

#include "handles.h"

#include <optional>

namespace qz::win {

class SingleInstance {
public:
    // The claim of this process to be the one launcher; nothing when another
    // launcher runs, which has then been brought to the front. A launcher
    // that is still starting is waited for (a few seconds at most); when none
    // shows a window by then, or the name cannot be had, this one runs
    // without a claim.
    static std::optional<SingleInstance> Claim();

    SingleInstance(SingleInstance &&) = default;
    SingleInstance &operator=(SingleInstance &&) = delete;
    ~SingleInstance() { Release(); }

    // Gives the claim up: from here on this launcher is not running, though
    // its process may still be ending.
    void Release();

private:
    explicit SingleInstance(UniqueKernelHandle mutex) : mutex_(std::move(mutex)) {}
    UniqueKernelHandle mutex_;
};

}  // namespace qz::win
