#include "TApplication.h"
#include "template.h"

int main(int argc, char *argv[])
{
    TApplication app(argc, argv);
    TMainForm form;
    form.showMaximized();
    return app.exec();
}
