#include "errors.h"

namespace qz {

bool NeedsFullStop(std::string_view message)
{
    return !message.empty() && static_cast<unsigned char>(message.back()) > '.';
}

std::string ApplicationErrorText(std::string_view message)
{
    std::string text(message);
    if (NeedsFullStop(message))
        text += '.';
    return text;
}

void ReportFailure(ErrorReporter &errors, std::string_view message) noexcept
{
    // The launcher has one UI thread: a plain flag marks the box being up.
    static bool reporting = false;
    if (reporting)
        return;
    reporting = true;
    errors.ReportError(message);
    reporting = false;
}

}  // namespace qz
