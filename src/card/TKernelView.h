#pragma once

#include "TKernelTtys.h"
#include "TSystemResources.h"

#include <QString>

// What the running kernel shows of this computer, read from the files an
// ordinary user may read below a root ("/" normally; tests give a tree of
// their own): its serial lines, the resources of its other devices, and
// whether it is locked down.
class TKernelView
{
public:
    void Load(const QString &root);

    const QString &Root() const { return m_root; }
    // A path below the root ("dev/ttyS4", "sys/class/tty").
    QString Path(const QString &relative) const;

    // False when the tty class folder could not be read: nothing is known
    // of the serial lines then.
    bool TtysKnown() const { return m_ttysKnown; }
    const TKernelTtys &Ttys() const { return m_ttys; }
    const TSystemResources &Resources() const { return m_resources; }
    // The lockdown mode when it keeps serial lines from being moved
    // ("integrity" or "confidentiality"); empty otherwise.
    const QString &Lockdown() const { return m_lockdown; }

private:
    QString m_root;
    bool m_ttysKnown = false;
    TKernelTtys m_ttys;
    TSystemResources m_resources;
    QString m_lockdown;
};
