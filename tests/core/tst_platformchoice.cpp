// The platform the window program asks Qt for, from the environment and the command line.
#include "PlatformChoice.h"

#include <QtTest>

class tst_PlatformChoice : public QObject
{
    Q_OBJECT
private slots:
    void choice_data();
    void choice();
};

void tst_PlatformChoice::choice_data()
{
    QTest::addColumn<QStringList>("environment"); // NAME=value
    QTest::addColumn<QStringList>("arguments"); // after the program's name
    QTest::addColumn<QByteArray>("platform"); // empty: Qt's own choice
    const QByteArray xwayland("xcb;wayland");
    QTest::newRow("only WAYLAND_DISPLAY") << QStringList {"WAYLAND_DISPLAY=wayland-0"} << QStringList() << xwayland;
    QTest::newRow("only XDG_SESSION_TYPE=wayland")
        << QStringList {"XDG_SESSION_TYPE=wayland"} << QStringList() << xwayland;
    QTest::newRow("both, with XWayland's display")
        << QStringList {"WAYLAND_DISPLAY=wayland-0", "XDG_SESSION_TYPE=wayland", "DISPLAY=:0"} << QStringList()
        << xwayland;
    QTest::newRow("QT_QPA_PLATFORM set") << QStringList {"WAYLAND_DISPLAY=wayland-0", "QT_QPA_PLATFORM=wayland"}
                                         << QStringList() << QByteArray();
    QTest::newRow("QT_QPA_PLATFORM set but empty")
        << QStringList {"WAYLAND_DISPLAY=wayland-0", "QT_QPA_PLATFORM="} << QStringList() << xwayland;
    QTest::newRow("-platform given") << QStringList {"WAYLAND_DISPLAY=wayland-0"}
                                     << QStringList {"-platform", "wayland"} << QByteArray();
    QTest::newRow("--platform given") << QStringList {"XDG_SESSION_TYPE=wayland"}
                                      << QStringList {"--platform", "wayland"} << QByteArray();
    QTest::newRow("a file named like the option's value")
        << QStringList {"WAYLAND_DISPLAY=wayland-0"} << QStringList {"wayland"} << xwayland;
    QTest::newRow("an X11 session") << QStringList {"XDG_SESSION_TYPE=x11", "DISPLAY=:0"} << QStringList()
                                    << QByteArray();
    QTest::newRow("WAYLAND_DISPLAY empty on X11")
        << QStringList {"XDG_SESSION_TYPE=x11", "WAYLAND_DISPLAY=", "DISPLAY=:0"} << QStringList() << QByteArray();
    QTest::newRow("nothing set") << QStringList() << QStringList() << QByteArray();
}

void tst_PlatformChoice::choice()
{
    // Guards against Wayland taking the popups on a Wayland session, or overriding a platform the user chose.
    QFETCH(QStringList, environment);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, platform);
    QProcessEnvironment env;
    for (const QString &entry : std::as_const(environment))
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    QCOMPARE(PlatformChoice(env, QStringList {QStringLiteral("Settings")} + arguments), platform);
}

QTEST_GUILESS_MAIN(tst_PlatformChoice)
#include "tst_platformchoice.moc"
