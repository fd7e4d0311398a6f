#include "TKernelTtys.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace {

// The first line of a small attribute file; sysfs values are short.
QString Attribute(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.read(64)).section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

bool TKernelTtys::Load(const QString &classDir)
{
    m_ttys.clear();
    const QDir dir(classDir);
    if (!dir.exists())
        return false;
    static const QRegularExpression name(QStringLiteral("^ttyS(\\d{1,4})$"));
    for (const QString &entry : dir.entryList({QStringLiteral("ttyS*")}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch match = name.match(entry);
        if (!match.hasMatch())
            continue;
        bool portOk = false, irqOk = false;
        const quint32 port = Attribute(dir.filePath(entry + QStringLiteral("/port"))).toUInt(&portOk, 0);
        const int irq = Attribute(dir.filePath(entry + QStringLiteral("/irq"))).toInt(&irqOk, 10);
        m_ttys.append({match.captured(1).toInt(), portOk ? port : 0, irqOk ? irq : -1});
    }
    std::sort(m_ttys.begin(), m_ttys.end(), [](const TTty &a, const TTty &b) { return a.Index < b.Index; });
    return true;
}

bool TKernelTtys::Has(int index) const
{
    return std::any_of(m_ttys.begin(), m_ttys.end(), [index](const TTty &tty) { return tty.Index == index; });
}

const TKernelTtys::TTty *TKernelTtys::At(quint32 port) const
{
    for (const TTty &tty : m_ttys)
        if (port != 0 && tty.Port == port)
            return &tty;
    return nullptr;
}
