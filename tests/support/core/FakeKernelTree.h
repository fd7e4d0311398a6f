#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

// A stand-in for "/" as far as the kernel's files go (sysfs, /proc), built
// in a folder of the test's own. Header only: GUI-free suites use it without
// linking anything more.
struct FakeKernelTree
{
    QString Root;

    // A file below the root, its folders made as needed.
    bool Write(const QString &relative, const QByteArray &data) const
    {
        const QString path = QDir(Root).filePath(relative);
        QFile file(path);
        return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly)
            && file.write(data) == data.size();
    }

    // ttyS lines as sysfs shows them: "index:port:irq:type", port in
    // hexadecimal, ":Y" after the console's; separated by spaces.
    bool Ttys(const QString &lines) const
    {
        for (const QString &tty : lines.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QStringList f = tty.split(QLatin1Char(':'));
            const QString line = QStringLiteral("sys/class/tty/ttyS") + f.value(0) + QLatin1Char('/');
            if (!Write(line + "port", "0x" + f.value(1).toLatin1() + "\n")
                || !Write(line + "irq", f.value(2).toLatin1() + "\n")
                || !Write(line + "type", f.value(3).toLatin1() + "\n") || !Write(line + "iomem_base", "0x0\n")
                || !Write(line + "console", f.value(4) == QLatin1String("Y") ? "Y\n" : "N\n"))
                return false;
        }
        return QDir().mkpath(QDir(Root).filePath(QStringLiteral("sys/class/tty/tty0"))); // not a serial line
    }
};
