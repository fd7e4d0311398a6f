#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

class TKernelView;
struct TSerialPlan;

// The card's ports against each other and against what the computer uses
// already, found before anything is written. Two ports at one address are
// refused; everything else is a warning, since no check sees every device.
class TResourceConflicts
{
public:
    struct TClash
    {
        quint32 Address = 0;
        QList<QChar> Ports;
    };

    // Lines of the plan are the ports' own: what they hold now is no conflict.
    static TResourceConflicts Check(const TSerialPlan &plan, const TKernelView &kernel);

    bool Refused() const { return !m_clashes.isEmpty(); }
    const QList<TClash> &Clashes() const { return m_clashes; }
    const QStringList &Warnings() const { return m_warnings; }

    // One sentence naming the ports that share an address.
    QString RefusalText() const;
    // The warnings, one a line, or that none was found; then UnseenText().
    QString WarningsText() const;
    // What the check cannot see.
    static QString UnseenText();

private:
    QList<TClash> m_clashes;
    QStringList m_warnings;
};
