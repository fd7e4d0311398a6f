#include "TKernelTtys.h"

#include "SystemFiles.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>

bool TKernelTtys::Load(const QString &classDir)
{
    m_ttys.clear();
    const QDir dir(classDir);
    if (!dir.exists() || !dir.isReadable())
        return false;
    static const QRegularExpression name(QStringLiteral("^ttyS(\\d{1,4})$"));
    for (const QString &entry : dir.entryList({QStringLiteral("ttyS*")}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch match = name.match(entry);
        if (!match.hasMatch())
            continue;
        const QString line = dir.filePath(entry) + QLatin1Char('/');
        TTty tty;
        tty.Index = match.captured(1).toInt();
        tty.Port = quint32(FileNumber(line + QStringLiteral("port")));
        tty.IomemBase = FileNumber(line + QStringLiteral("iomem_base"));
        tty.Irq = int(FileNumber(line + QStringLiteral("irq")));
        tty.Type = int(FileNumber(line + QStringLiteral("type")));
        tty.Console = FileLine(line + QStringLiteral("console")) == QLatin1String("Y");
        m_ttys.append(tty);
    }
    std::sort(m_ttys.begin(), m_ttys.end(), [](const TTty &a, const TTty &b) { return a.Index < b.Index; });
    return true;
}

const TKernelTtys::TTty *TKernelTtys::Line(int index) const
{
    for (const TTty &tty : m_ttys)
        if (tty.Index == index)
            return &tty;
    return nullptr;
}

QList<TKernelTtys::TTty> TKernelTtys::At(quint32 port) const
{
    QList<TTty> found;
    for (const TTty &tty : m_ttys)
        if (port != 0 && tty.Port == port)
            found << tty;
    return found;
}

QString TKernelTtys::Name(int index)
{
    return QStringLiteral("ttyS%1").arg(index);
}

QString TKernelTtys::TypeName(int type)
{
    // The kernel's PORT_* numbers, in setserial's words.
    static const char *const names[] = {"unknown", "8250", "16450", "16550", "16550A", "Cirrus", "16650", "16650V2",
        "16750", "Startech", "16950/954", "16654", "16850", "RSA"};
    if (type >= 0 && type < int(std::size(names)))
        return QLatin1String(names[type]);
    return QStringLiteral("type %1").arg(type);
}
