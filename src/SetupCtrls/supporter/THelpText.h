#pragma once

#include <QString>
#include <QStringList>

// What the help text depends on.
struct THelpTextSettings
{
    QString CompanyName;
    QString CardName;
    bool bSeries = true;
    bool MultiPort = false;
    bool CardList = false; // a card-string handler is assigned
};

// The help window's rich text and the technical-support text. The rich text
// is assembled from fixed pieces, so its bytes can be checked piece by piece.
class THelpText
{
public:
    // The pieces in order, the optional ones only when they apply.
    static QStringList Pieces(const THelpTextSettings &settings);
    static QString Rtf(const THelpTextSettings &settings);
    static QString SupportText(const QString &companyName, const QString &callHow);
};
