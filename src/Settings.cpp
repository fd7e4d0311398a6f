#include "AuthorisationWait.h"
#include "DisplayCheck.h"
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
    TApplication app(argc, argv);
    InstallPortAccess();
    TMainForm form;
    form.showMaximized();
    return app.exec();
}
