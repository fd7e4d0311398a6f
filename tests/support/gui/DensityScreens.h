#pragma once

// Screens of other pixel densities beside the offscreen platform's own
// 800 x 800 screen at ratio 1, which stays the primary one: a window put on
// one of them paints at its device pixel ratio, as on a high-density monitor.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryFile>
#include <QWidget>

constexpr qreal DensityRatios[] = {2.0, 1.5, 1.25};

// Before the application object exists: only the offscreen platform takes a
// screen list; elsewhere nothing changes and DensityScreen finds none.
inline bool AddDensityScreens()
{
    if (qgetenv("QT_QPA_PLATFORM") != "offscreen")
        return false;
    QString screens = QStringLiteral(
        R"({"name": "", "x": 0, "y": 0, "width": 800, "height": 800, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1})");
    int top = 0;
    for (qreal ratio : DensityRatios)
        screens += QStringLiteral(R"(, {"name": "ratio %1", "x": 0, "y": %2, "width": 800, "height": 800, "dpr": %1})")
                       .arg(ratio)
                       .arg(top += 1000);
    // Read when the application object starts the platform; gone at exit.
    static QTemporaryFile file(QDir::temp().filePath(QStringLiteral("zx-density-screens-XXXXXX.json")));
    if (!file.open())
        return false;
    file.write(QStringLiteral(R"({"screens": [%1]})").arg(screens).toUtf8());
    file.flush();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(file.fileName()));
    return true;
}

// A suite that includes this header gets the screens before main() runs.
inline const bool DensityScreensAdded = AddDensityScreens();

inline QScreen *DensityScreen(qreal ratio)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (QScreen *screen : screens)
        if (screen->devicePixelRatio() == ratio)
            return screen;
    return nullptr;
}

// Puts a window on the screen of that ratio, near its top left corner.
inline bool PlaceOnDensityScreen(QWidget *window, qreal ratio)
{
    QScreen *screen = DensityScreen(ratio);
    if (!screen)
        return false;
    window->setScreen(screen);
    window->move(screen->geometry().topLeft() + QPoint(20, 40));
    return true;
}
