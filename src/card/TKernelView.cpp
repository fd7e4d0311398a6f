#include "TKernelView.h"

#include "SystemFiles.h"

#include <QDir>
#include <QRegularExpression>

void TKernelView::Load(const QString &root)
{
    m_root = root;
    m_ttysKnown = m_ttys.Load(Path(QStringLiteral("sys/class/tty")));
    m_resources.Load(root);
    // "none [integrity] confidentiality": the mode in brackets is in force.
    static const QRegularExpression mode(QStringLiteral("\\[(\\w+)\\]"));
    const QString selected = mode.match(FileLine(Path(QStringLiteral("sys/kernel/security/lockdown")))).captured(1);
    m_lockdown
        = selected == QLatin1String("integrity") || selected == QLatin1String("confidentiality") ? selected : QString();
}

QString TKernelView::Path(const QString &relative) const
{
    return QDir(m_root).filePath(relative);
}
