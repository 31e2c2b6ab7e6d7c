// Blocking work (the connection's login, a statement on the engine) runs on a
// thread of its own while the UI thread goes on handling messages with every
// window of the launcher disabled, as under a message box: the window keeps
// painting and answering the system, and no click starts a second action.
// Only the UI thread touches windows; the work touches none.
#pragma once

#include "../services.h"

#include <type_traits>

namespace qz::win {

// Runs work(context) on a worker thread and returns when it has ended; what
// it throws is thrown here. A WM_QUIT that arrives meanwhile is posted again
// afterwards. Where no thread can be started, the work runs here.
void RunOffUiThread(void (*work)(void *), void *context);

template <typename Work>
void RunOffUiThread(Work &&work)
{
    RunOffUiThread([](void *context) { (*static_cast<std::remove_reference_t<Work> *>(context))(); },
                   const_cast<void *>(static_cast<const void *>(&work)));
}

// The main window's database, each call carried out by RunOffUiThread.
class OffThreadDatabase final : public Database {
public:
    explicit OffThreadDatabase(Database &database) : database_(database) {}

    void Close() override;
    void Open(std::string_view connectionString) override;
    long long OpenQuery(std::string_view sql) override;
    void Execute(std::string_view sql) override;

private:
    Database &database_;
};

}  // namespace qz::win
