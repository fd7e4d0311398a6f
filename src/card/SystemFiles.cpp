#include "SystemFiles.h"

#include <QFile>

namespace {

QByteArray ReadSmall(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // sysfs and /proc give a size of their own or none: read to the end.
    return file.readAll();
}

} // namespace

QString FileLine(const QString &path)
{
    return QString::fromLatin1(ReadSmall(path)).section(QLatin1Char('\n'), 0, 0).trimmed();
}

quint64 FileNumber(const QString &path)
{
    bool ok = false;
    const quint64 value = FileLine(path).toULongLong(&ok, 0);
    return ok ? value : 0;
}

QStringList FileLines(const QString &path)
{
    return QString::fromLatin1(ReadSmall(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
