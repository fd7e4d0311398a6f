#include "AuthorisationWait.h"
#include "DisplayCheck.h"
#include "PlatformChoice.h"
#include "StandardDescriptors.h"
#include "TApplication.h"
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
    TApplication app(argc, argv);
    InstallPortAccess();
    TMainForm form;
    form.showMaximized();
    return app.exec();
}
