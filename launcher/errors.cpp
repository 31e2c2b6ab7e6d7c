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

}  // namespace qz
