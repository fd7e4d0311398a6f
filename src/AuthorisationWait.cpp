#include "AuthorisationWait.h"

#include "MessageSeam.h"

#include <QApplication>

bool WaitForAuthorisation(const TStartStep &step)
{
    bool ended = false;
    TMessageRequest request;
    request.Owner = QApplication::activeWindow();
    request.Caption = QStringLiteral("Authorisation");
    request.Text
        = QStringLiteral("Waiting for permission to access the card. Enter the administrator password when asked.");
    request.Buttons = TMsgButtons::Cancel;
    request.Icon = TMsgIcon::Information;
    request.Until = [&] { return ended || (ended = step(0)); };
    ShowMessageBox(request);
    return ended;
}

void InstallPortAccess()
{
    static TPortHelperBackend backend([] {
        TPortAccessConfig config;
        config.StartWait = WaitForAuthorisation;
        return config;
    }());
    SetPortBackend(&backend);
}
