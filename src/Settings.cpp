#include "AuthorisationWait.h"
#include "PlatformChoice.h"
#include "TApplication.h"
#include "template.h"

int main(int argc, char *argv[])
{
    ApplyPlatformChoice(argc, argv);
    TApplication app(argc, argv);
    InstallPortAccess();
    TMainForm form;
    form.showMaximized();
    return app.exec();
}
