#include "TSystemResources.h"

#include "SystemFiles.h"

#include <QDir>
#include <QRegularExpression>

namespace {

// An I/O range "0x3f8-0x3ff" (PnP) or "03f8-03ff" (/proc/ioports).
bool ParseRange(const QString &text, quint32 *first, quint32 *last)
{
    bool firstOk = false, lastOk = false;
    *first = text.section(QLatin1Char('-'), 0, 0).toUInt(&firstOk, 16);
    *last = text.section(QLatin1Char('-'), 1, 1).toUInt(&lastOk, 16);
    return firstOk && lastOk && *first <= *last;
}

} // namespace

void TSystemResources::Load(const QString &root)
{
    m_ranges.clear();
    m_irqUsers.clear();
    const QDir dir(root);
    LoadPnp(dir.filePath(QStringLiteral("sys/bus/pnp/devices")));
    LoadPci(dir.filePath(QStringLiteral("sys/bus/pci/devices")));
    LoadIoports(dir.filePath(QStringLiteral("proc/ioports")));
    LoadInterrupts(dir.filePath(QStringLiteral("proc/interrupts")));
}

void TSystemResources::LoadPnp(const QString &devicesDir)
{
    const QDir dir(devicesDir);
    for (const QString &device : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString folder = dir.filePath(device) + QLatin1Char('/');
        const QStringList resources = FileLines(folder + QStringLiteral("resources"));
        if (resources.contains(QStringLiteral("state = disabled")))
            continue;
        const QString id = FileLine(folder + QStringLiteral("id"));
        const QString holder = QStringLiteral("PnP device %1").arg(device)
            + (id.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(id));
        for (const QString &line : resources) {
            const QStringList words = line.simplified().split(QLatin1Char(' '));
            if (words.size() < 2 || words.contains(QStringLiteral("disabled")))
                continue;
            quint32 first = 0, last = 0;
            bool irqOk = false;
            const int irq = words[1].toInt(&irqOk, 10);
            if (words[0] == QLatin1String("io")
                && ParseRange(QString(words[1]).remove(QStringLiteral("0x")), &first, &last))
                m_ranges.append({first, last, holder});
            else if (words[0] == QLatin1String("irq") && irqOk)
                m_irqUsers.append({irq, holder});
        }
    }
}

void TSystemResources::LoadPci(const QString &devicesDir)
{
    constexpr quint64 IoResource = 0x100; // IORESOURCE_IO
    const QDir dir(devicesDir);
    for (const QString &device : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        for (const QString &line : FileLines(dir.filePath(device) + QStringLiteral("/resource"))) {
            const QStringList fields = line.simplified().split(QLatin1Char(' '));
            if (fields.size() < 3)
                continue;
            const quint64 start = fields[0].toULongLong(nullptr, 16), end = fields[1].toULongLong(nullptr, 16);
            const quint64 flags = fields[2].toULongLong(nullptr, 16);
            if ((flags & IoResource) && end != 0 && start <= end && end <= 0xFFFF)
                m_ranges.append({quint32(start), quint32(end), QStringLiteral("PCI device %1").arg(device)});
        }
    }
}

void TSystemResources::LoadIoports(const QString &path)
{
    // "  03f8-03ff : serial", two spaces deeper for each level. Only the
    // innermost entries hold ports; those around them are bus windows.
    static const QRegularExpression entry(QStringLiteral("^( *)([0-9a-fA-F]+-[0-9a-fA-F]+) : (.*)$"));
    struct TEntry
    {
        int Depth;
        quint32 First, Last;
        QString Name;
    };
    QList<TEntry> entries;
    bool real = false;
    for (const QString &line : FileLines(path)) {
        const QRegularExpressionMatch match = entry.match(line);
        quint32 first = 0, last = 0;
        if (!match.hasMatch() || !ParseRange(match.captured(2), &first, &last))
            continue;
        real = real || last != 0; // an ordinary user sees every entry as 0000-0000
        entries.append({int(match.capturedLength(1)), first, last, match.captured(3).trimmed()});
    }
    if (!real)
        return;
    const auto pciRange = [this](const TEntry &entry) {
        for (const TRange &range : std::as_const(m_ranges))
            if (range.First == entry.First && range.Last == entry.Last
                && range.Holder == QStringLiteral("PCI device ") + entry.Name)
                return true;
        return false;
    };
    for (int i = 0; i < entries.size(); ++i) {
        const bool inner = i + 1 == entries.size() || entries[i + 1].Depth <= entries[i].Depth;
        // A PCI device's range appears under its address once more.
        if (inner && !entries[i].Name.startsWith(QLatin1String("PCI Bus")) && !pciRange(entries[i]))
            m_ranges.append({entries[i].First, entries[i].Last, entries[i].Name + QStringLiteral(" (/proc/ioports)")});
    }
}

void TSystemResources::LoadInterrupts(const QString &path)
{
    // "  4:   35   XT-PIC   ttyS0" or "  4:  0  0  IO-APIC  4-edge  ttyS0":
    // a count per CPU, the controller, its line and type, then the holders.
    const QStringList lines = FileLines(path);
    if (lines.isEmpty())
        return;
    const int cpus = int(lines.first().simplified().split(QLatin1Char(' ')).size());
    static const QRegularExpression lineAndType(QStringLiteral("^(\\d+|\\d*-\\w+|Edge|Level)$"));
    for (const QString &line : lines.mid(1)) {
        bool irqOk = false;
        const int irq = line.section(QLatin1Char(':'), 0, 0).trimmed().toInt(&irqOk, 10);
        if (!irqOk)
            continue;
        QStringList words = line.section(QLatin1Char(':'), 1).simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        words = words.mid(cpus + 1); // the counts and the controller
        while (!words.isEmpty() && lineAndType.match(words.first()).hasMatch())
            words.removeFirst();
        for (const QString &holder : words.join(QLatin1Char(' ')).split(QLatin1Char(','), Qt::SkipEmptyParts))
            if (!holder.trimmed().isEmpty())
                m_irqUsers.append({irq, holder.trimmed()});
    }
}
