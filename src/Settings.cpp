#include "AuthorisationWait.h"
#include "TApplication.h"
#include "TDecodeAhead.h"
#include "template.h"

int main(int argc, char *argv[])
{
    // The photograph decodes on a second core beside the start-up.
    const TDecodeAhead photo(TMainForm::PhotoFile());
    TApplication app(argc, argv);
    InstallPortAccess();
    TMainForm form;
    form.showMaximized();
    return app.exec();
}
