// The database settings panel: show, Back, and OK, which restores the
// application database from the backup beside the program.
#include "form.h"

#include "restore.h"
#include "texts.h"
#include "unique_handle.h"

namespace qz {

void TForm_qz::ShowSettingsPanel()
{
    Panel3.SetVisible(true);
    Label2.SetVisible(false);
}

void TForm_qz::SpeedBsjwjClick(Control &)
{
    ShowSettingsPanel();
}

void TForm_qz::SpeedBljfhClick(Control &)
{
    Panel3.SetVisible(false);
}

void TForm_qz::SpeedBQDClick(Control &)
{
    // The box for a failure shows once the handler has ended (the wait
    // cursor gone).
    Guarded(services_, [this] { return RestoreDatabase(); });
}

Status TForm_qz::RestoreDatabase()
{
    // Blanks count as content: nothing is trimmed.
    if (Editserver.Text().empty()) {
        services_.ShowMessageBox(kEnterServer, kNoticeTitle, kBoxNotice);
        return {};
    }
    if (Editusername.Text().empty()) {
        services_.ShowMessageBox(kEnterUser, kNoticeTitle, kBoxNotice);
        return {};
    }
    if (EditPath.Text().empty()) {
        services_.ShowMessageBox(kChoosePath, kNoticeTitle, kBoxNotice);
        return {};
    }

    Label2.SetVisible(true);
    Label2.SetText(kLoading);
    services_.SetBusy(true);
    const ScopeExit idle([this] { services_.SetBusy(false); });

    Database &data = services_.Data();
    const std::string connection = ConnectionStringFor(Editusername.Text(), EditPassW.Text(), Editserver.Text());
    data.Close();
    if (!data.Open(connection)) {
        services_.ShowMessageBox(kConnectFailed, kNoticeTitle, kBoxError);
        return {};
    }

    // Not answered here: a failure of the query reaches the application
    // error box.
    const Result<long long> found = data.OpenQuery(kExistenceQuery);
    if (!found)
        return found.Failure();
    if (*found > 0) {
        if (services_.ShowMessageBox(kDatabaseExists, kQuestionTitle, kBoxQuestion) == kAnswerNo)
            return {};
        // The operator agreed to replace the data, not to lose it: without a
        // backup to restore from, the database is not dropped.
        if (!services_.CanRead(services_.ProgramFolder() + kBackupFile)) {
            services_.ShowMessageBox(kDatabaseInUse, kNoticeTitle, kBoxNotice);
            return {};
        }
        if (!data.Execute(kDropStatement)) {
            services_.ShowMessageBox(kDatabaseInUse, kNoticeTitle, kBoxNotice);
            return {};
        }
    }

    if (!data.Execute(RestoreStatement(services_.ProgramFolder(), EditPath.Text()))) {
        services_.ShowMessageBox(kDatabaseInUse, kNoticeTitle, kBoxNotice);
        return {};
    }

    Panel3.SetVisible(false);
    Label2.SetText(kLoaded);
    services_.ShowMessageBox(kInstalled, kNoticeTitle, kBoxNotice);
    return {};
}

}  // namespace qz
