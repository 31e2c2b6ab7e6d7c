// Owners of what is released by a call: one move-only template for handles of
// every kind (one alias per kind where it is used), and a scope guard for a
// one-off cleanup.
#pragma once

#include <utility>

namespace qz {

// Close is a function taking the handle; Invalid is the value that holds
// nothing. Copying is deleted; put() releases what was held first.
template <typename H, auto Close, H Invalid = H{}>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(H handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle &&other) noexcept : handle_(other.release()) {}
    UniqueHandle &operator=(UniqueHandle &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle &) = delete;
    UniqueHandle &operator=(const UniqueHandle &) = delete;
    ~UniqueHandle() { reset(); }

    H get() const { return handle_; }
    explicit operator bool() const { return handle_ != Invalid; }
    H release() { return std::exchange(handle_, Invalid); }
    void reset(H handle = Invalid)
    {
        if (handle_ != Invalid)
            Close(std::exchange(handle_, Invalid));
        handle_ = handle;
    }
    // For out-parameters.
    H *put()
    {
        reset();
        return &handle_;
    }

private:
    H handle_ = Invalid;
};

// Runs a cleanup when the scope ends, however it ends.
template <typename Cleanup>
class ScopeExit {
public:
    explicit ScopeExit(Cleanup cleanup) : cleanup_(std::move(cleanup)) {}
    ~ScopeExit() { cleanup_(); }
    ScopeExit(const ScopeExit &) = delete;
    ScopeExit &operator=(const ScopeExit &) = delete;

private:
    Cleanup cleanup_;
};

}  // namespace qz
