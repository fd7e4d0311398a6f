#include "AuthorisationWait.h"
#include "DisplayCheck.h"
#include "PlatformChoice.h"
#include "StandardDescriptors.h"
#include "TApplication.h"
#include "TDecodeAhead.h"
#include "template.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    // Before anything opens a file: the port device must not become the output.
    OpenStandardDescriptors();
    if (!DisplayAvailable(argc, argv)) {
        std::fprintf(stderr, "%s\n", NoDisplayLine);
        return 1;
    }
    // After the display check, which takes a platform set here for the user's choice.
    ApplyPlatformChoice(argc, argv);
    // The photograph is read at once and decoded on a second core once the window has
    // named the size it shows it at.
    const TDecodeAhead photo(TMainForm::PhotoFile());
    TApplication app(argc, argv);
    InstallPortAccess();
    TMainForm form;
    form.showMaximized();
    return app.exec();
}
