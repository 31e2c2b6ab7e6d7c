#include "errors.h"

#include "services.h"
#include "texts.h"

namespace qz {

std::string ApplicationErrorText(std::string_view message)
{
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
        text += '.';
    return text;
}

void ReportApplicationError(Services &services, std::string_view message)
{
    services.ShowMessageBox(ApplicationErrorText(message), kApplicationTitle, kBoxError);
}

void ReportFailure(Services &services, std::string_view message) noexcept
{
    // The launcher has one UI thread: a plain flag marks the box being up.
    static bool reporting = false;
    if (reporting)
        return;
    reporting = true;
    try {
        ReportApplicationError(services, message);
    } catch (...) {
    }
    reporting = false;
}

}  // namespace qz
