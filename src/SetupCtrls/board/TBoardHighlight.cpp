#include "TBoardHighlight.h"

#include "DevicePixels.h"
#include "TAccessibleFactory.h"
#include "TBoardImage.h"
#include "TPopupForm.h"
#include "TRadioPanel.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <cmath>
#include <utility>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

struct TTypeLook
{
    TColor color;
    float normal, lit, bright;
    const char *menu;
};

const TTypeLook &LookOf(THighlightType type)
{
    static const TTypeLook looks[] = {
        {0xFF0000, 0.25f, 0.5f, 1.0f, "&Options"},
        {0x00FFFF, 0.5f, 0.75f, 1.0f, "&Settings"},
        {0x0000FF, 0.5f, 0.75f, 1.0f, "&Calibration"},
    };
    return looks[type <= htCalibration ? type : htSettings];
}

bool IsClass(const QObject *object, const char *name)
{
    return object && qstrcmp(object->metaObject()->className(), name) == 0;
}

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

int Blend(int base, float color, float m)
{
    const float v = float(base) * (1.0f - m) + color * m;
    // Under the default rounding mode halves go to the even neighbour. The
    // SSE conversion rounds so in one instruction; nearbyint is a library
    // call, and the rings' first paint makes a hundred thousand of these.
#ifdef __SSE2__
    const int rounded = _mm_cvtss_si32(_mm_set_ss(v));
#else
    const int rounded = int(std::nearbyint(v));
#endif
    return qBound(0, rounded, 255);
}

} // namespace

TBoardHighlight::TBoardHighlight(QWidget *parent)
    : QWidget(parent)
{
    // Not declared opaque although paint covers the whole rectangle: Qt then
    // skips repainting an opaque child when its parent moves itself while
    // painting, as the picture does when it centres, and stale pixels show.
    resize(65, 65);
    setHighlightType(htSettings);
    TAccessibleFactory::Install();
}

TBoardHighlight::~TBoardHighlight()
{
    if (m_menuEntry)
        m_menuEntry->setData(QVariant());
    // Gone before the rest of this object, so its last deactivation finds no one.
    if (m_popup) {
        m_popup->Highlight = nullptr;
        delete m_popup;
    }
}

void TBoardHighlight::setHighlightType(THighlightType value)
{
    if (value == m_highlightType)
        return;
    m_highlightType = value;
    const TTypeLook &look = LookOf(value);
    m_typeColor = look.color;
    m_normalOpacity = look.normal;
    m_litOpacity = look.lit;
    m_brightOpacity = look.bright;
    update();
}

void TBoardHighlight::setTitle(const QString &value)
{
    if (value == m_title)
        return;
    m_title = value;
    m_popupCaption = StripAmpersands(value);
    m_itemBaseName = MakeItemBaseName(value);
}

TRadioPanel *TBoardHighlight::RadioPanel() const
{
    return m_radioPanel;
}

void TBoardHighlight::setRadioPanel(TRadioPanel *value)
{
    if (value == m_radioPanel)
        return;
    if (value && parentWidget()) {
        const QObjectList siblings = parentWidget()->children();
        for (QObject *o : siblings) {
            if (o == this || !IsClass(o, "TBoardHighlight"))
                continue;
            const auto *other = static_cast<TBoardHighlight *>(o);
            if (other->m_radioPanel == value && !IsLinkedTo(other))
                return; // the panel belongs to another group
        }
    }
    m_radioPanel = value;
}

TPopupForm *TBoardHighlight::Popup() const
{
    return m_popup;
}

QMenuBar *TBoardHighlight::PictureMenu() const
{
    return m_pictureMenu;
}

const QImage &TBoardHighlight::BrightImage() const
{
    RenderOtherLooks();
    return m_brightImage;
}

const QImage &TBoardHighlight::LitImage() const
{
    RenderOtherLooks();
    return m_litImage;
}

const QImage &TBoardHighlight::CurrentImage() const
{
    if (m_popupActive && m_entered)
        return BrightImage();
    if (m_popupActive || m_entered)
        return LitImage();
    return m_normalImage;
}

QString TBoardHighlight::StripAmpersands(const QString &text)
{
    QString s = text;
    return s.remove(QLatin1Char('&'));
}

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

void TBoardHighlight::RenderRing(QImage &image, int A, int B, bool whiteCore, TColor color, float opacity)
{
    // Below two pixels the scale would divide by zero: no ring at all.
    if (A < 1 || B < 1 || image.isNull())
        return;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
    const QColor c = ColorToQColor(color);
    const float cr = float(c.red()), cg = float(c.green()), cb = float(c.blue());
    const float sx = 2.0f / float(A);
    const float sy = 2.0f / float(B);
    const int lastRow = qMin(B, image.height() - 1);
    const int lastCol = qMin(A, image.width() - 1);
    for (int d = 0; d <= lastRow; ++d) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(d));
        const float y = float(d) * sy - 1.0f;
        for (int e = 0; e <= lastCol; ++e) {
            const float x = float(e) * sx - 1.0f;
            const float q = x * x + y * y;
            if (q >= 1.0f)
                continue;
            QRgb base = line[e];
            float w;
            if (q < 0.5929f) {
                w = 0.16f;
            } else {
                w = 1.0f - 8.0f * std::fabs(std::sqrt(q) - 0.875f);
                if (whiteCore) {
                    w = 2.0f * w;
                    if (w > 1.0f) {
                        base = qRgba(255, 255, 255, qAlpha(base));
                        w = 2.0f - w;
                    }
                }
            }
            const float m = w * opacity;
            line[e]
                = qRgba(Blend(qRed(base), cr, m), Blend(qGreen(base), cg, m), Blend(qBlue(base), cb, m), qAlpha(base));
        }
    }
}

TColor TBoardHighlight::TypeColorOf(THighlightType type)
{
    return LookOf(type).color;
}

QString TBoardHighlight::MenuCaptionOf(THighlightType type)
{
    return QString::fromLatin1(LookOf(type).menu);
}

bool TBoardHighlight::ParentIsBoardImage() const
{
    return IsClass(parentWidget(), "TBoardImage");
}

bool TBoardHighlight::IsLinkedTo(const TBoardHighlight *other) const
{
    return other->m_title == m_title && other->m_highlightType == m_highlightType;
}

QList<TBoardHighlight *> TBoardHighlight::LinkGroup() const
{
    QList<TBoardHighlight *> group;
    if (!ParentIsBoardImage()) {
        group << const_cast<TBoardHighlight *>(this);
        return group;
    }
    const QObjectList siblings = parentWidget()->children();
    for (QObject *o : siblings)
        if (IsClass(o, "TBoardHighlight") && IsLinkedTo(static_cast<TBoardHighlight *>(o)))
            group << static_cast<TBoardHighlight *>(o);
    return group;
}

// ---- looks ----

void TBoardHighlight::paintEvent(QPaintEvent *)
{
    if (!m_prepared) {
        m_prepared = true;
        Prepare();
    } else if (m_normalImage.devicePixelRatio() != devicePixelRatioF()) {
        // Moved to a screen of another density: caught again at the new one.
        BuildImages();
    }
    QPainter painter(this);
    DrawOnDeviceGrid(painter, QPointF(0, 0), CurrentImage());
}

void TBoardHighlight::Prepare()
{
    BuildImages();
    QMetaObject::invokeMethod(
        this, [this] { RenderOtherLooks(); }, Qt::QueuedConnection);
    if (ParentIsBoardImage()) {
        m_pictureMenu = static_cast<TBoardImage *>(parentWidget())->Menu();
        RegisterMenuEntry();
    } else {
        m_pictureMenu = nullptr;
    }
}

void TBoardHighlight::BuildImages()
{
    // In device pixels: the ring is computed per pixel the screen shows.
    const QImage beneath = PixelsBeneath();
    m_normalImage = beneath;
    RenderRing(m_normalImage, beneath.width() - 1, beneath.height() - 1, false, m_typeColor, m_normalOpacity);
    m_brightImage = QImage();
    m_litImage = QImage();
    m_looksToRender = {beneath, m_typeColor, m_brightOpacity, m_litOpacity};
}

void TBoardHighlight::RenderOtherLooks() const
{
    const TLooksToRender looks = std::exchange(m_looksToRender, TLooksToRender());
    if (looks.beneath.isNull())
        return;
    const int A = looks.beneath.width() - 1;
    const int B = looks.beneath.height() - 1;
    m_brightImage = looks.beneath;
    RenderRing(m_brightImage, A, B, true, looks.color, looks.bright);
    m_litImage = looks.beneath;
    RenderRing(m_litImage, A, B, false, looks.color, looks.lit);
}

// What the screen shows under this control before it paints: the parent's own
// drawing, then whatever earlier (lower) siblings put there. Asking the parent
// to draw alone keeps this control's paint out of the recursion. In device
// pixels, on the window's own grid, so that it is exactly what the screen has.
QImage TBoardHighlight::PixelsBeneath() const
{
    const qreal ratio = devicePixelRatioF();
    const QPointF at = QPointF(mapTo(window(), QPoint(0, 0))) * ratio;
    const QRect bounds = DeviceBounds(at, size(), ratio);
    QImage image(bounds.size(), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(palette().color(QPalette::Window));
    QWidget *parent = parentWidget();
    if (!parent || image.isNull())
        return image;
    QPainter painter(&image);
    painter.translate((at - QPointF(bounds.topLeft())) / ratio);
    const QRect mine = geometry();
    // A fractional edge reaches into the next logical pixel.
    const QRect around = mine.adjusted(-1, -1, 1, 1);
    parent->render(&painter, QPoint(-1, -1), QRegion(around), QWidget::DrawWindowBackground);
    const QObjectList siblings = parent->children();
    for (QObject *o : siblings) {
        if (o == this)
            break;
        auto *w = qobject_cast<QWidget *>(o);
        if (!w || w->isWindow() || !w->isVisible())
            continue;
        const QRect overlap = w->geometry() & around;
        if (overlap.isEmpty())
            continue;
        if (auto *h = qobject_cast<TBoardHighlight *>(w)) {
            // A highlight that has not painted yet has left nothing on screen.
            if (h->m_prepared)
                DrawOnDeviceGrid(painter, h->pos() - pos(), h->CurrentImage());
        } else {
            w->render(
                &painter, overlap.topLeft() - pos(), QRegion(overlap.translated(-w->pos())), QWidget::DrawChildren);
        }
    }
    return image;
}

// ---- mouse ----

void TBoardHighlight::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    // The popup that lay over the ring has just been closed: the window
    // system reports the resting pointer as entering what it now finds beneath.
    if (m_holdClosed && QCursor::pos() == m_holdAt)
        return;
    m_holdClosed = false;
    MouseEnter(false);
}

void TBoardHighlight::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    m_holdClosed = false;
    MouseLeave(false);
}

void TBoardHighlight::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    event->accept();
}

void TBoardHighlight::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    if (rect().contains(event->position().toPoint()))
        Click();
}

void TBoardHighlight::MouseEnter(bool forwarded)
{
    if (m_entered)
        return;
    m_entered = true;
    update();
    if (m_createPopup)
        ShowPopup();
    if (!forwarded && ParentIsBoardImage()) {
        const auto group = LinkGroup();
        for (TBoardHighlight *member : group)
            member->MouseEnter(true);
    }
}

void TBoardHighlight::MouseLeave(bool forwarded)
{
    if (!m_entered)
        return;
    if (m_popup && !m_pinned) {
        if (m_popup->isVisible() && m_popup->OuterRect().contains(QCursor::pos())) {
            // From the ring straight into its popup: it stays until the pointer leaves it.
            m_popup->CloseOnLeave = true;
            PinGroup();
        } else {
            m_popup->Close();
        }
    }
    if (!forwarded && ParentIsBoardImage()) {
        const auto group = LinkGroup();
        for (TBoardHighlight *member : group)
            member->MouseLeave(true);
    }
}

void TBoardHighlight::Click()
{
    m_holdClosed = false;
    emit OnClick();
    // The group's popup was closed while the pointer stayed on the ring: the
    // click opens it again instead of pinning a hidden window.
    if (!m_entered)
        MouseEnter(false);
    PinGroup();
}

// ---- group state ----

void TBoardHighlight::PinGroup()
{
    if (m_popup) {
        m_pinned = true;
        CheckMenuEntry(true);
    }
    const auto group = LinkGroup();
    for (TBoardHighlight *member : group)
        member->PinPopup();
}

void TBoardHighlight::PinPopup()
{
    if (!m_popup)
        return;
    m_pinned = true;
    CheckMenuEntry(true);
    if (m_popup->isVisible())
        m_popup->activateWindow();
}

void TBoardHighlight::ClearEntered()
{
    m_entered = false;
    update();
}

void TBoardHighlight::SetPopupActive(bool active, bool spread)
{
    m_popupActive = active;
    raise();
    update();
    if (!spread || !ParentIsBoardImage())
        return;
    // Each member moves to the end of the child list when it is raised, so the
    // index stays put and the walk shortens instead.
    QWidget *parent = parentWidget();
    int index = 0;
    int remaining = parent->children().size();
    while (index < remaining) {
        QObject *o = parent->children().value(index);
        if (o != this && IsClass(o, "TBoardHighlight") && IsLinkedTo(static_cast<TBoardHighlight *>(o))) {
            static_cast<TBoardHighlight *>(o)->SetPopupActive(active, false);
            --remaining;
        } else {
            ++index;
        }
    }
}

// ---- popup ----

void TBoardHighlight::ShowPopup()
{
    if (m_popup) {
        if (m_popup->isHidden())
            m_pinned = false;
        m_popup->show();
        m_popup->raise();
        m_popup->activateWindow();
        return;
    }
    // Another member of the group built the group's popup already.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        const auto *form = qobject_cast<TPopupForm *>(w);
        if (form && form->Tag == int(m_highlightType) && form->windowTitle() == m_popupCaption)
            return;
    }

    auto *popup = new TPopupForm(this);
    m_popup = popup;
    m_pinned = false;

    TRadioPanel *panel = m_radioPanel;
    int memoHeight = 58;
    QPoint laidOut(0, 0);
    QSize client; // none: the design gives the outer size
    if (panel) {
        memoHeight = panel->MemoHeight();
        popup->OnActivate = panel->OnActivate;
        popup->OnDeactivate = panel->OnDeactivate;
        laidOut = panel->pos();
        client = QSize(panel->width(), panel->height() + memoHeight + 51);
        popup->resize(client);
        panel->setParent(popup);
        panel->move(0, 0);
        panel->show();
        SetAnchors(panel, panel->FinalAnchors());
        panel->FinalAnchorsApplied = true;
    }
    popup->setWindowTitle(m_popupCaption);
    popup->Tag = int(m_highlightType);

    QPoint place(0, 0);
    if (const QWidget *p = parentWidget()) {
        if (panel && ParentIsBoardImage()) {
            // Where the panel was laid out, moved as far as the picture has moved since.
            const auto *picture = static_cast<const TBoardImage *>(p);
            place = QPoint(p->x() - (picture->DesignLeft - laidOut.x()), p->y() - (picture->DesignTop - laidOut.y()));
        } else if (panel) {
            place = p->pos();
        } else {
            place = QPoint(p->x(), p->y() + p->height() + 38);
        }
    }

    // The user may enlarge the popup, never shrink it below how it opened;
    // it stays on the screen. Outer sizes need the window manager's frame, so
    // the popup applies this again once it is framed.
    const QScreen *s = screen();
    popup->PlaceOuter(client, place, s ? s->geometry() : QRect());
    popup->AddControls(memoHeight, panel ? panel->Lines() : QStringList());

    popup->show();
    popup->activateWindow();
    if (panel)
        panel->setFocus();
    else
        popup->DoneButton()->setFocus();
}

void TBoardHighlight::PopupClosed()
{
    CheckMenuEntry(false);
    if (m_popup)
        m_popup->CloseOnLeave = false;
    ClearEntered();
    const auto group = LinkGroup();
    for (TBoardHighlight *member : group)
        member->ClearEntered();
}

void TBoardHighlight::DoneClick()
{
    if (m_popup) {
        m_popup->Close();
        HoldClosedUnderPointer();
    }
}

void TBoardHighlight::HoldClosedUnderPointer()
{
    const QPoint pointer = QCursor::pos();
    const auto group = LinkGroup();
    for (TBoardHighlight *member : group) {
        if (member->isVisible() && member->rect().contains(member->mapFromGlobal(pointer))) {
            member->m_holdClosed = true;
            member->m_holdAt = pointer;
        }
    }
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

// ---- menu ----

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
    auto *item = IsClass(Sender, "QAction") ? static_cast<QAction *>(Sender) : nullptr;
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
