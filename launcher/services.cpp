#include "services.h"

#include "texts.h"

namespace qz {

void Services::ReportError(std::string_view message)
{
    ShowMessageBox(ApplicationErrorText(message), kApplicationTitle, kBoxError);
}

}  // namespace qz
