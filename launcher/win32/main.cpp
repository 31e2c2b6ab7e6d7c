// The setup launcher: one picture window with three hot zones.
#include "../errors.h"
#include "../texts.h"
#include "form_window.h"
#include "handles.h"
#include "odbc_database.h"
#include "off_thread.h"
#include "platform.h"
#include "single_instance.h"
#include "system_libraries.h"
#include "wide.h"

#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    // Before anything else is loaded: where a "<program>.local" beside the
    // launcher would undo every full-path load, the system shows why it
    // stops (the kernel's own box, which loads no library here).
    if (qz::win::LibrariesRedirectedBesideProgram()) {
        const std::string text =
            std::string(qz::kRedirectedBefore) + qz::win::RedirectionFileName() + qz::kRedirectedAfter;
        FatalAppExitW(0, qz::win::Widen(text).c_str());
        return 1;
    }
    // Before anything can load a library by name.
    qz::win::RestrictLibrarySearch();

    std::optional<qz::win::SingleInstance> launcher = qz::win::SingleInstance::Claim();
    if (!launcher)
        return 0;  // the running launcher was brought to the front

    // The data access and the shell folder tree rely on it; nothing before
    // the first paint does, so it is initialised after it (and released
    // after the window is gone).
    std::optional<qz::win::ComApartment> com;

    // The launcher's parts, made once, in the order they need each other;
    // each lives until the program ends.
    qz::win::Cursors cursors(instance);
    // The main window's connection outlives every handler and closes when the
    // program ends; every call on it runs off the UI thread.
    qz::data::OdbcDatabase database;
    qz::win::OffThreadDatabase data(database);
    qz::win::WinShellNamespace shell;
    // The form's services join them; the window holds the form.
    qz::win::Platform platform(cursors, data, shell);
    qz::win::FormWindow window(instance, platform);
    qz::Status shown = window.Create();
    if (shown)
        shown = window.Show();
    if (!shown) {
        MessageBoxW(nullptr, qz::win::Widen(qz::ApplicationErrorText(shown.Failure().what())).c_str(),
                    qz::win::Widen(qz::kApplicationTitle).c_str(), qz::kBoxError);
        return 1;
    }
    com.emplace();

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.HandleTab(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // The window is gone: a new start may open its own while this process
    // ends (the connection's close, the shell's and COM's release).
    launcher->Release();
    return 0;
}
