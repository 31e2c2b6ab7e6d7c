#include "errors.h"

namespace qz {

std::string ApplicationErrorText(std::string_view message)
{
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
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
    try {
        errors.ReportError(message);
    } catch (...) {
    }
    reporting = false;
}

}  // namespace qz
