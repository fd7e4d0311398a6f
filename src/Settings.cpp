#include "AuthorisationWait.h"
#include "TApplication.h"
#include "TDecodeAhead.h"
#include "template.h"

int main(int argc, char *argv[])
{
    // The photograph is read at once and decoded on a second core once the window has
    // named the size it shows it at.
    const TDecodeAhead photo(TMainForm::PhotoFile());
    TApplication app(argc, argv);
    InstallPortAccess();
    TMainForm form;
    form.showMaximized();
    return app.exec();
}
