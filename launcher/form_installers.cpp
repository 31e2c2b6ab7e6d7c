// The install-database and install-payroll zones.
#include "form.h"

#include "installers.h"
#include "texts.h"

namespace qz {

void TForm_qz::LabelmsdeClick(Control &)
{
    Guarded(services_, [this] { return InstallDatabase(); });
}

Status TForm_qz::InstallDatabase()
{
    // The registry accessor lives for this one expression: released before
    // anything is started or shown.
    const Result<std::string> engine = EngineSetupPath(*services_.OpenRegistry());
    if (!engine)
        return engine.Failure();
    if (engine->empty()) {
        services_.ShellOpen(services_.ProgramFolder() + kMsdeSetup);
        if (services_.ShowMessageBox(kMsdePrompt, kNoticeTitle, kBoxSetupPrompt) != kAnswerYes)
            return {};
        if (Status started = services_.RunHidden(kServiceStart); !started)
            return started;
    }
    ShowSettingsPanel();
    return {};
}

void TForm_qz::LabelgzrjClick(Control &)
{
    services_.ShellOpen(services_.ProgramFolder() + kPayrollSetup);
}

}  // namespace qz
