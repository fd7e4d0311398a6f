// Binds the card-driver library, or builds the supporter's windows, in a
// process of its own and prints what happened, one fact per line.
//   trelox_probe bind <calls>     BindDriverLibrary <calls> times
//   trelox_probe supporter        the main window's supporter settings
//   trelox_probe cards            the same with a card-string handler
// ZX_PROBE_HIDE_FIRST_LOAD=1 makes the first load fail as if the file were absent.
#include "LLTRELOX.h"
#include "TSetupSupporter.h"

#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <string>

namespace {
int loads = 0;
std::string lastFile;
int lastFlags = 0;
}

extern "C" void *__real_dlopen(const char *file, int flags);

extern "C" void *__wrap_dlopen(const char *file, int flags)
{
    if (!file || !std::strstr(file, "trelox"))
        return __real_dlopen(file, flags);
    ++loads;
    lastFile = file;
    lastFlags = flags;
    if (loads == 1 && qEnvironmentVariableIntValue("ZX_PROBE_HIDE_FIRST_LOAD") == 1)
        return nullptr;
    return __real_dlopen(file, flags);
}

namespace {

bool libraryMapped()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libtrelox");
}

QString bindingFacts()
{
    QStringList missing;
    void *loaded = __real_dlopen(DriverLibraryName, RTLD_NOW | RTLD_NOLOAD);
    // Each reference must be the entry point of its own name.
    bool order = reinterpret_cast<void *>(GetNumCards) == DriverEntries[0];
    for (int i = 0; i < DriverEntryCount; ++i) {
        if (!DriverEntries[i])
            missing << QString::fromLatin1(DriverEntryNames[i]);
        else if (loaded && DriverEntries[i] != dlsym(loaded, DriverEntryNames[i]))
            order = false;
    }
    const int set = DriverEntryCount - missing.size();
    if (loaded)
        dlclose(loaded); // only drops the reference RTLD_NOLOAD added
    const QString cards = GetNumCards ? QString::number(GetNumCards()) : QStringLiteral("none");
    return QStringLiteral("loads=%1 bound=%2 set=%3 missing=%4 order=%5 cards=%6")
        .arg(loads)
        .arg(int(DriverLibraryBound))
        .arg(set)
        .arg(set == 0               ? QStringLiteral("all")
                : missing.isEmpty() ? QStringLiteral("-")
                                    : missing.join(QLatin1Char(',')))
        .arg(order ? QStringLiteral("ok") : QStringLiteral("wrong"))
        .arg(cards);
}

int bind(int calls)
{
    for (int i = 0; i < calls; ++i) {
        BindDriverLibrary();
        std::printf("%s\n", qPrintable(bindingFacts()));
    }
    if (loads > 0)
        std::printf("opened %s now=%d local=%d\n", lastFile.c_str(), int((lastFlags & RTLD_NOW) == RTLD_NOW),
            int((lastFlags & RTLD_GLOBAL) == 0));
    return 0;
}

int supporter(int argc, char **argv, bool cards)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("&File"));
    window.setCentralWidget(new QWidget);
    auto *sup = new TSetupSupporter(&window);
    sup->setCompanyName(QStringLiteral("VORTAN"));
    sup->setCardNameA(QStringLiteral("ZX-SER8"));
    sup->setMultiPort(true);
    int handlerCalls = 0;
    if (cards)
        sup->OnGetCardString = [&handlerCalls](QObject *, qint32 card) {
            ++handlerCalls;
            return card == 1 ? QString() : QStringLiteral("card %1").arg(card);
        };
    sup->BuildWindows();
    const QString list = sup->PCIForm()
        ? sup->PCIForm()->PCIMemo->toPlainText().replace(QLatin1Char('\n'), QLatin1Char('|'))
        : QStringLiteral("none");
    std::printf("loads=%d mapped=%d handler=%d\n", loads, int(libraryMapped()), handlerCalls);
    std::printf("title=%s\n", qPrintable(sup->HeaderLabel()->text()));
    std::printf("list=%s\n", qPrintable(list));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "bind")
        return bind(argc > 2 ? std::atoi(argv[2]) : 1);
    if (mode == "supporter" || mode == "cards")
        return supporter(argc, argv, mode == "cards");
    std::fprintf(stderr, "usage: trelox_probe bind <calls> | supporter | cards\n");
    return 2;
}
