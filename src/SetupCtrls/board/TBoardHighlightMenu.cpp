// The menu entries: each link group lists itself once under its type's
// menu of the picture's menu bar; Previous and Next step through them.
#include "TBoardHighlight.h"

#include "ExactClass.h"
#include "TPopupForm.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

bool IsLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_';
}

bool IsIdentChar(QChar c)
{
    return IsLetter(c) || (c.unicode() >= '0' && c.unicode() <= '9');
}

bool IsIdentifier(const QString &text)
{
    if (text.isEmpty() || !IsLetter(text.front()))
        return false;
    for (QChar c : text)
        if (!IsIdentChar(c))
            return false;
    return true;
}

// base + the first n >= 1 that names no component of the owner.
QString FreeName(const QObject *owner, const QString &base)
{
    for (int n = 1;; ++n) {
        const QString name = base + QString::number(n);
        if (!owner || !owner->findChild<QObject *>(name))
            return name;
    }
}

} // namespace

QString TBoardHighlight::MakeItemBaseName(const QString &text)
{
    if (text.isEmpty() || IsIdentifier(text))
        return text;
    QString s = text;
    while (!s.isEmpty() && !IsLetter(s.front()))
        s.remove(0, 1);
    for (int i = 1; i < s.size();) {
        if (IsIdentChar(s.at(i)))
            ++i;
        else
            s.remove(i, 1);
    }
    // A bare number is no component name.
    return s.isEmpty() ? QStringLiteral("Item") : s;
}

QAction *TBoardHighlight::CreateMenuEntry(QWidget *owner)
{
    auto *entry = new QAction(m_title, owner);
    entry->setObjectName(FreeName(owner, m_itemBaseName));
    entry->setData(QVariant::fromValue(static_cast<QObject *>(this)));
    m_menuEntry = entry;
    connect(entry, &QAction::triggered, this, [this, entry] {
        // A marked entry has just flipped its own mark; the mark means
        // "pinned", which the click action decides from the mark as it was.
        if (entry->isCheckable())
            entry->setChecked(!entry->isChecked());
        MenuEntryClick(entry);
    });
    return entry;
}

void TBoardHighlight::RegisterMenuEntry()
{
    QMenuBar *bar = m_pictureMenu;
    if (!bar)
        return;
    QWidget *owner = bar->window();
    const QString caption = MenuCaptionOf(m_highlightType);
    const QList<QAction *> tops = bar->actions();
    for (QAction *top : tops) {
        if (top->text() != caption)
            continue;
        QMenu *menu = top->menu();
        if (!menu)
            return;
        const QList<QAction *> items = menu->actions();
        for (const QAction *item : items)
            if (item->text() == m_title)
                return;
        if (!m_title.isEmpty())
            menu->addAction(CreateMenuEntry(owner));
        return;
    }

    QStringList followers;
    switch (m_highlightType) {
    case htOptions:
        followers = {QStringLiteral("&Help")};
        break;
    case htSettings:
        followers = {QStringLiteral("&Calibration"), QStringLiteral("&Options"), QStringLiteral("&Help")};
        break;
    case htCalibration:
        followers = {QStringLiteral("&Options"), QStringLiteral("&Help")};
        break;
    }
    QAction *before = nullptr;
    for (QAction *top : tops) {
        if (followers.contains(top->text())) {
            before = top;
            break;
        }
    }
    auto *menu = new QMenu(caption, owner);
    menu->setObjectName(FreeName(owner, StripAmpersands(caption)));
    bar->insertMenu(before, menu);
    if (!m_title.isEmpty())
        menu->addAction(CreateMenuEntry(owner));
}

QAction *TBoardHighlight::FindMenuEntry(int *index, QMenu **menu) const
{
    if (!m_pictureMenu)
        return nullptr;
    const QString caption = MenuCaptionOf(m_highlightType);
    const QList<QAction *> tops = m_pictureMenu->actions();
    for (const QAction *top : tops) {
        if (top->text() != caption || !top->menu())
            continue;
        const QList<QAction *> items = top->menu()->actions();
        for (int j = 0; j < items.size(); ++j) {
            if (items.at(j)->text() == m_title) {
                if (index)
                    *index = j;
                if (menu)
                    *menu = top->menu();
                return items.at(j);
            }
        }
    }
    return nullptr;
}

void TBoardHighlight::CheckMenuEntry(bool checked)
{
    // Checkable only while marked, so that unmarked entries look like plain commands.
    if (QAction *entry = FindMenuEntry()) {
        if (checked)
            entry->setCheckable(true);
        entry->setChecked(checked);
        if (!checked)
            entry->setCheckable(false);
    }
}

void TBoardHighlight::MenuEntryClick(QObject *Sender)
{
    auto *item = ExactCast<QAction>(Sender);
    if (!item || !item->isChecked()) {
        MouseEnter(false);
        PinGroup();
        MouseLeave(false);
        return;
    }
    if (m_popup) {
        m_popup->Close();
        return;
    }
    const auto group = LinkGroup();
    for (TBoardHighlight *member : group)
        if (member->m_popup)
            member->MenuEntryClick(Sender);
}

void TBoardHighlight::PreviousClick()
{
    StepToEntry(-1);
}

void TBoardHighlight::NextClick()
{
    StepToEntry(+1);
}

void TBoardHighlight::StepToEntry(int delta)
{
    int j = 0;
    QMenu *menu = nullptr;
    if (!FindMenuEntry(&j, &menu))
        return;
    const QList<QAction *> items = menu->actions();
    const int k = int(items.size());
    DoneClick();
    const int n = delta < 0 ? (j == 0 ? k - 1 : j - 1) : (j == k - 1 ? 0 : j + 1);
    QAction *neighbour = items.at(n);
    if (auto *owner = qobject_cast<TBoardHighlight *>(qvariant_cast<QObject *>(neighbour->data())))
        owner->MenuEntryClick(this);
    else
        neighbour->trigger();
}
