#include "PlatformChoice.h"

QByteArray PlatformChoice(const QProcessEnvironment &environment, const QStringList &arguments)
{
    // Qt treats an empty variable as none.
    if (!environment.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty())
        return {};
    for (const QString &argument : arguments.mid(1))
        if (argument == QLatin1String("-platform") || argument == QLatin1String("--platform"))
            return {};
    const bool wayland = !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty()
        || environment.value(QStringLiteral("XDG_SESSION_TYPE")) == QLatin1String("wayland");
    // XWayland first; Wayland itself where there is no XWayland.
    return wayland ? QByteArrayLiteral("xcb;wayland") : QByteArray();
}

void ApplyPlatformChoice(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QByteArray choice = PlatformChoice(QProcessEnvironment::systemEnvironment(), arguments);
    if (!choice.isEmpty())
        qputenv("QT_QPA_PLATFORM", choice);
}
