#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace qz {

// The one error type of the launcher: the text of a failure. A function that
// can fail returns it in a Result, and each caller hands it on until a guard
// shows it in the application error box. The launcher is built without C++
// exceptions: their unwinder and tables were a quarter of the program.
class Error {
public:
    explicit Error(std::string message) : message_(std::move(message)) {}
    explicit Error(const char *message) : message_(message) {}
    const char *what() const noexcept { return message_.c_str(); }

private:
    std::string message_;
};

// A value, or the failure that stands in its place.
template <typename T = void>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}
    Result(Error failure) : failure_(std::move(failure)) {}

    explicit operator bool() const { return !failure_; }
    T &operator*() { return *value_; }
    const T &operator*() const { return *value_; }
    T *operator->() { return &*value_; }
    const T *operator->() const { return &*value_; }
    // Only for a result that failed.
    const Error &Failure() const { return *failure_; }

private:
    std::optional<T> value_;
    std::optional<Error> failure_;
};

// Done, or the failure that stopped it.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error failure) : failure_(std::move(failure)) {}

    explicit operator bool() const { return !failure_; }
    const Error &Failure() const { return *failure_; }

private:
    std::optional<Error> failure_;
};

using Status = Result<void>;

// What cannot be handed on (memory that cannot be had, a length beyond the
// largest): the application error box with the message, then the end of the
// program. Defined by each platform.
[[noreturn]] void Fatal(std::string_view message);

// The text of the application error box for an error message: a full stop is
// appended when the last byte sorts after "." (so a message ending in a letter
// or in a Chinese character gets one, one ending in "'" or "!" does not).
std::string ApplicationErrorText(std::string_view message);
bool NeedsFullStop(std::string_view message);

// Where a failure that reached a guard is shown.
class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    // Shows the application error box for the message: the text above, the
    // application title, an OK button and the stop icon.
    virtual void ReportError(std::string_view message) = 0;
};

// The application error box for a failure that reached a guard. A failure
// that arises while its box is up (a paint under it that fails again) is not
// shown a second time.
void ReportFailure(ErrorReporter &errors, std::string_view message) noexcept;

// The guard where the platform's events reach work that can fail (the form's
// handlers, its show event, the common controls' registration): runs work,
// and shows a failure that it returns in the application error box; the
// caller goes on. False when work failed.
template <typename Work>
bool Guarded(ErrorReporter &errors, Work &&work) noexcept
{
    if constexpr (std::is_void_v<decltype(work())>) {
        work();
        return true;
    } else {
        const Status done = work();
        if (!done)
            ReportFailure(errors, done.Failure().what());
        return static_cast<bool>(done);
    }
}

}  // namespace qz
