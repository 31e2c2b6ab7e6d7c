// The install-database and install-payroll zones.
#include "form.h"

#include "installers.h"
#include "texts.h"

namespace qz {

void TForm_qz::LabelmsdeClick(Control &)
{
    std::string engine;
    {
        const std::unique_ptr<Registry> registry = services_.OpenRegistry();
        engine = EngineSetupPath(*registry);
    }
    if (engine.empty()) {
        services_.ShellOpen(services_.ProgramFolder() + kMsdeSetup);
        if (services_.ShowMessageBox(kMsdePrompt, kNoticeTitle, kBoxSetupPrompt) != kAnswerYes)
            return;
        services_.RunHidden(kServiceStart);
    }
    ShowSettingsPanel();
}

void TForm_qz::LabelgzrjClick(Control &)
{
    services_.ShellOpen(services_.ProgramFolder() + kPayrollSetup);
}

}  // namespace qz
