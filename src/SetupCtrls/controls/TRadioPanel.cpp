#include "TRadioPanel.h"

#include "TTwoJumper.h"

#include "ExactClass.h"
#include <QApplication>
#include <QPainter>

TRadioPanel::TRadioPanel(QWidget *parent)
    : QWidget(parent)
{
    // Only code gives the panel the focus (its popup, when it opens): a click
    // on a drawn jumper, a label or the background leaves it where it was.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(194, 100);
    setVisible(false);
    if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance()))
        connect(app, &QApplication::focusChanged, this, &TRadioPanel::focusChanged);
}

TRadioPanel::~TRadioPanel()
{
    // ~QWidget moves the focus away and reports it, when this is no panel any more.
    if (QCoreApplication *app = QCoreApplication::instance())
        disconnect(app, nullptr, this, nullptr);
}

void TRadioPanel::setRadioEnabled(bool value)
{
    m_radioEnabled = value;
}

void TRadioPanel::setLines(const QStringList &value)
{
    m_lines = value;
}

void TRadioPanel::setMemoHeight(int value)
{
    m_memoHeight = value;
}

void TRadioPanel::setFinalAnchors(TAnchors value)
{
    m_finalAnchors = value;
    if (FinalAnchorsApplied)
        SetAnchors(this, value);
}

void TRadioPanel::setColor(TColor value)
{
    if (value == m_color)
        return;
    m_color = value;
    update();
}

void TRadioPanel::JumperClicked(TTwoJumper *Jumper)
{
    // The clicked jumper has already toggled itself: clicking the closed one
    // reopens it here, which counts as a change.
    bool changed = false;
    const QObjectList kids = children();
    for (QObject *child : kids) {
        auto *jumper = ExactCast<TTwoJumper>(child);
        if (!jumper)
            continue;
        const bool wanted = jumper == Jumper;
        if (jumper->Closed() != wanted)
            changed = true;
        jumper->setClosed(wanted);
    }
    if (changed)
        emit OnRadioChange(Jumper);
}

void TRadioPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), ColorToQColor(m_color));
}

bool TRadioPanel::holds(const QWidget *widget) const
{
    return widget && (widget == this || isAncestorOf(widget));
}

void TRadioPanel::focusChanged(QWidget *old, QWidget *now)
{
    if (holds(now) && !holds(old))
        emit OnEnter();
}
