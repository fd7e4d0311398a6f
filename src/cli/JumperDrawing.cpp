#include "JumperDrawing.h"

namespace {

constexpr int ColumnWidth = 11;

QString Centred(const QString &text)
{
    const int left = (ColumnWidth - int(text.size())) / 2;
    return QString(left, QLatin1Char(' ')) + text + QString(ColumnWidth - left - int(text.size()), QLatin1Char(' '));
}

} // namespace

QString JumperDrawing(const QList<TDrawnJumper> &jumpers)
{
    QString names, pins, words;
    for (const TDrawnJumper &jumper : jumpers) {
        names += Centred(jumper.Label);
        pins += Centred(jumper.Installed ? QStringLiteral("[o=o]") : QStringLiteral("o o"));
        words += Centred(jumper.Installed ? QStringLiteral("installed") : QStringLiteral("removed"));
    }
    const auto rightTrimmed = [](QString row) {
        while (row.endsWith(QLatin1Char(' ')))
            row.chop(1);
        return row + QLatin1Char('\n');
    };
    return rightTrimmed(names) + rightTrimmed(pins) + rightTrimmed(words);
}

QList<TDrawnJumper> AddressJumpers(const TBaseJumpers &jumpers)
{
    QList<TDrawnJumper> drawn;
    for (const TBaseJumpers::TLine &line : TBaseJumpers::Lines)
        drawn.append({QLatin1String(line.Name), jumpers.Installed(line.Bit)});
    return drawn;
}
