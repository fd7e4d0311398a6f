#include "JumperDrawing.h"

namespace {

constexpr int ColumnWidth = 11;

QString Centred(const QString &text)
{
    const int left = (ColumnWidth - int(text.size())) / 2;
    return QString(left, QLatin1Char(' ')) + text + QString(ColumnWidth - left - int(text.size()), QLatin1Char(' '));
}

} // namespace

QString JumperDrawing(const TBaseJumpers &jumpers)
{
    QString names, pins, words;
    for (const TBaseJumpers::TLine &line : TBaseJumpers::Lines) {
        const bool installed = jumpers.Installed(line.Bit);
        names += Centred(QLatin1String(line.Name));
        pins += Centred(installed ? QStringLiteral("[o=o]") : QStringLiteral("o o"));
        words += Centred(installed ? QStringLiteral("installed") : QStringLiteral("removed"));
    }
    const auto rightTrimmed = [](QString row) {
        while (row.endsWith(QLatin1Char(' ')))
            row.chop(1);
        return row + QLatin1Char('\n');
    };
    return rightTrimmed(names) + rightTrimmed(pins) + rightTrimmed(words);
}
