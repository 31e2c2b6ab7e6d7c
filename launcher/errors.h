#pragma once

#include <exception>
#include <string>
#include <string_view>
#include <utility>

namespace qz {

// The one error type of the launcher: what a handler does not handle itself
// ends the handler and reaches the application error box with this text.
// Not a std::runtime_error: that one keeps its text in a string type of its
// own, which brings a second copy of the string code into the program.
class Error : public std::exception {
public:
    explicit Error(std::string message) : message_(std::move(message)) {}
    explicit Error(const char *message) : message_(message) {}
    const char *what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// The text of the application error box for an error message: a full stop is
// appended when the last byte sorts after "." (so a message ending in a letter
// or in a Chinese character gets one, one ending in "'" or "!" does not).
std::string ApplicationErrorText(std::string_view message);

// Where a failure that reached a guard is shown.
class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    // Shows the application error box for the message: the text above, the
    // application title, an OK button and the stop icon.
    virtual void ReportError(std::string_view message) = 0;
};

// The application error box for a failure that reached a guard. Never
// throws: when not even the box can be shown, nothing more can be done. A
// failure that arises while its box is up (a paint under it that fails
// again) is not shown a second time.
void ReportFailure(ErrorReporter &errors, std::string_view message) noexcept;

// The text for a failure that carries none (not a std::exception).
inline constexpr std::string_view kUnknownFailure = "Unknown error";

// The guard at every entry from the platform's event dispatch (handlers,
// notifications, painting): runs work; whatever it throws is shown in the
// application error box, and the caller goes on. False when work failed.
template <typename Work>
bool Guarded(ErrorReporter &errors, Work &&work) noexcept
{
    try {
        work();
        return true;
    } catch (const std::exception &error) {
        ReportFailure(errors, error.what());
    } catch (...) {
        ReportFailure(errors, kUnknownFailure);
    }
    return false;
}

}  // namespace qz
