// Shared plumbing every control stands on: anchors, colour references, the
// message-box seam and the application's idle moment.
#include "Anchors.h"
#include "MessageRecorder.h"
#include "RunLoop.h"
#include "TApplication.h"
#include "TColor.h"
#include "TestMain.h"

#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>

#include <map>

class tst_Foundation : public QObject
{
    Q_OBJECT
private slots:
    void anchorsKeepDistances_data();
    void anchorsKeepDistances();
    void anchorsFollowReparenting();
    void colorReferences_data();
    void colorReferences();
    void messageHandlerIsRestored();
    void realMessageBox_data();
    void realMessageBox();
    void idleEvent_data();
    void idleEvent();
};

void tst_Foundation::anchorsKeepDistances_data()
{
    QTest::addColumn<unsigned>("anchors");
    QTest::addColumn<QString>("growth"); // one resize, one pixel per resize, or one resize before the window shows
    QTest::addColumn<QRect>("expected");
    // Parent 200 x 100 grows to 260 x 140; child at (10, 20) 50 x 30.
    QTest::newRow("left top stays") << unsigned(akLeft | akTop) << "at once" << QRect(10, 20, 50, 30);
    QTest::newRow("right bottom follows") << unsigned(akRight | akBottom) << "at once" << QRect(70, 60, 50, 30);
    QTest::newRow("all four stretch") << unsigned(akLeft | akTop | akRight | akBottom) << "at once"
                                      << QRect(10, 20, 110, 70);
    QTest::newRow("bottom only") << unsigned(akBottom) << "at once" << QRect(40, 60, 50, 30);
    QTest::newRow("left right bottom") << unsigned(akLeft | akRight | akBottom) << "at once" << QRect(10, 60, 110, 30);
    QTest::newRow("bottom only, pixel by pixel") << unsigned(akBottom) << "pixel by pixel" << QRect(40, 60, 50, 30);
    QTest::newRow("none, pixel by pixel") << unsigned(0) << "pixel by pixel" << QRect(40, 40, 50, 30);
    QTest::newRow("right bottom, window resized while hidden")
        << unsigned(akRight | akBottom) << "hidden" << QRect(70, 60, 50, 30);
}

void tst_Foundation::anchorsKeepDistances()
{
    // A control losing its distances, a centred one drifting by half a pixel per odd resize, or a window resized
    // before it shows leaving its controls behind.
    QFETCH(unsigned, anchors);
    QFETCH(QString, growth);
    QFETCH(QRect, expected);
    QWidget parent;
    parent.resize(200, 100);
    auto *child = new QWidget(&parent);
    child->setGeometry(10, 20, 50, 30);
    SetAnchors(child, anchors);
    parent.setVisible(growth != QLatin1String("hidden"));
    while (growth == QLatin1String("pixel by pixel") && parent.width() < 260)
        parent.resize(parent.width() + 1, parent.height());
    while (growth == QLatin1String("pixel by pixel") && parent.height() < 140)
        parent.resize(parent.width(), parent.height() + 1);
    parent.resize(260, 140);
    parent.show();
    QCOMPARE(child->geometry(), expected);
}

void tst_Foundation::anchorsFollowReparenting()
{
    // A panel moved into another window must keep its anchors against the new parent.
    QWidget first, second;
    first.resize(100, 100);
    second.resize(300, 200);
    auto *child = new QWidget(&first);
    child->setGeometry(0, 0, 80, 40);
    SetAnchors(child, akLeft | akTop | akRight);
    child->setParent(&second);
    child->setGeometry(0, 0, 300, 40);
    second.show();
    second.resize(350, 200);
    QCOMPARE(child->geometry(), QRect(0, 0, 350, 40));
    first.resize(10, 10);
    QCOMPARE(child->geometry(), QRect(0, 0, 350, 40));
}

void tst_Foundation::colorReferences_data()
{
    QTest::addColumn<TColor>("color");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("red in low byte") << TColor(0x0000FF) << QColor(255, 0, 0);
    QTest::newRow("blue in high byte") << TColor(0xFF0000) << QColor(0, 0, 255);
    QTest::newRow("maroon") << clMaroon << QColor(128, 0, 0);
    QTest::newRow("button face") << clBtnFace << QGuiApplication::palette().color(QPalette::Button);
    QTest::newRow("window") << clWindow << QGuiApplication::palette().color(QPalette::Base);
}

void tst_Foundation::colorReferences()
{
    QFETCH(TColor, color);
    QFETCH(QColor, expected);
    QCOMPARE(ColorToQColor(color), expected);
    if ((color & 0xFF000000u) == 0)
        QCOMPARE(QColorToColor(ColorToQColor(color)), color);
}

void tst_Foundation::messageHandlerIsRestored()
{
    TMessageHandler outer = [](const TMessageRequest &) { return TMsgResult::Retry; };
    TMessageHandler before = SetMessageHandler(outer);
    {
        MessageRecorder inner(TMsgResult::No);
        QCOMPARE(ShowMessageBox({}), TMsgResult::No);
    }
    QCOMPARE(ShowMessageBox({}), TMsgResult::Retry);
    SetMessageHandler(before);
}

void tst_Foundation::realMessageBox_data()
{
    // How the user leaves the real box: Enter, Escape, the close box or a click on a named button.
    QTest::addColumn<TMsgButtons>("buttons");
    QTest::addColumn<TMsgIcon>("icon");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<TMsgResult>("result");
    using B = TMsgButtons;
    using I = TMsgIcon;
    using R = TMsgResult;
    QTest::newRow("OK, Enter") << B::Ok << I::None << "enter" << R::Ok;
    QTest::newRow("OK, closed: the only answer") << B::Ok << I::Information << "close" << R::Ok;
    QTest::newRow("OK/Cancel, Enter is OK") << B::OkCancel << I::Question << "enter" << R::Ok;
    QTest::newRow("OK/Cancel, Cancel") << B::OkCancel << I::Question << "Cancel" << R::Cancel;
    QTest::newRow("OK/Cancel, Escape is Cancel") << B::OkCancel << I::Warning << "escape" << R::Cancel;
    QTest::newRow("OK/Cancel, closed is Cancel") << B::OkCancel << I::None << "close" << R::Cancel;
    QTest::newRow("Retry/Cancel, Enter is Cancel") << B::RetryCancel << I::Warning << "enter" << R::Cancel;
    QTest::newRow("Retry/Cancel, Retry") << B::RetryCancel << I::Warning << "Retry" << R::Retry;
    QTest::newRow("Retry/Cancel, closed is Cancel") << B::RetryCancel << I::Error << "close" << R::Cancel;
    QTest::newRow("Yes/No, Enter is Yes") << B::YesNo << I::Question << "enter" << R::Yes;
    QTest::newRow("Yes/No, Escape is No") << B::YesNo << I::None << "escape" << R::No;
    QTest::newRow("Yes/No, closed is No") << B::YesNo << I::Error << "close" << R::No;
}

void tst_Foundation::realMessageBox()
{
    // Typed text shown as markup, details lost, wrong buttons, defaults or icons, or Cancel or closing counted as OK.
    QFETCH(TMsgButtons, buttons);
    QFETCH(TMsgIcon, icon);
    QFETCH(QString, answer);
    QFETCH(TMsgResult, result);
    using M = QMessageBox;
    // Each set's buttons, default and escape button (none set: a lone OK is its own escape).
    const std::map<TMsgButtons, QList<int>> sets {{TMsgButtons::Ok, {M::Ok, M::Ok, 0}},
        {TMsgButtons::OkCancel, {M::Ok | M::Cancel, M::Ok, M::Cancel}},
        {TMsgButtons::RetryCancel, {M::Retry | M::Cancel, M::Cancel, M::Cancel}},
        {TMsgButtons::YesNo, {M::Yes | M::No, M::Yes, M::No}}};
    const std::map<TMsgIcon, int> icons {{TMsgIcon::None, M::NoIcon}, {TMsgIcon::Information, M::Information},
        {TMsgIcon::Question, M::Question}, {TMsgIcon::Warning, M::Warning}, {TMsgIcon::Error, M::Critical}};
    QVERIFY(!SetMessageHandler({}));
    TMessageRequest request;
    request.Caption = QStringLiteral("<i>Caption");
    request.Text = QStringLiteral("\"<b>300\" is not a valid hexadecimal value.");
    request.InformativeText = QStringLiteral("<u>cause</u>");
    request.DetailedText = QStringLiteral("setserial /dev/ttyS4 <port>");
    request.Buttons = buttons;
    request.Icon = icon;
    QStringList seen;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
        seen << box->windowTitle() << QString::number(box->standardButtons())
             << QString::number(box->standardButton(box->defaultButton()))
             << QString::number(box->escapeButton() ? box->standardButton(box->escapeButton()) : 0)
             << QString::number(box->icon()) << box->detailedText();
        for (const QLabel *label : box->findChildren<QLabel *>())
            if (label->text().contains(QLatin1Char('<')))
                seen << label->text() + (label->textFormat() == Qt::PlainText ? " plain" : " markup");
        if (answer == "enter")
            QTest::keyClick(box, Qt::Key_Return);
        else if (answer == "escape")
            QTest::keyClick(box, Qt::Key_Escape);
        else if (answer == "close")
            box->close();
        else
            box->button(answer == "Retry" ? QMessageBox::Retry : QMessageBox::Cancel)->click();
    });
    poll.start(5);
    QCOMPARE(ShowMessageBox(request), result);
    const QList<int> set = sets.at(buttons);
    QCOMPARE(seen,
        (QStringList {"<i>Caption", QString::number(set[0]), QString::number(set[1]), QString::number(set[2]),
            QString::number(icons.at(icon)), "setserial /dev/ttyS4 <port>",
            "\"<b>300\" is not a valid hexadecimal value. plain", "<u>cause</u> plain"}));
}

void tst_Foundation::idleEvent_data()
{
    QTest::addColumn<bool>("eventWaiting"); // an event is posted before the loop runs
    QTest::newRow("after the events that were waiting") << true;
    QTest::newRow("a resting loop is not kept awake") << false;
}

void tst_Foundation::idleEvent()
{
    // An idle moment reported before the posted events (a pending paint) are handled, or a resting loop kept awake.
    QFETCH(bool, eventWaiting);
    struct Target : QObject
    {
        bool delivered = false;
        bool event(QEvent *e) override
        {
            delivered |= e->type() == QEvent::User;
            return QObject::event(e);
        }
    } target;
    if (eventWaiting)
        QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    int calls = 0;
    bool deliveredAtFirstCall = false;
    TApplication::SetOnIdle([&] {
        if (calls++ == 0)
            deliveredAtFirstCall = target.delivered;
    });
    const auto clear = qScopeGuard([] { TApplication::SetOnIdle({}); });
    QVERIFY(RunLoopUntil([&] { return calls > 0; }));
    QCOMPARE(deliveredAtFirstCall, eventWaiting);
    calls = 0;
    QEventLoop loop;
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();
    QVERIFY2(calls <= 3, qPrintable(QString::number(calls))); // while the loop rests for 300 ms
}

ZX_TEST_MAIN(tst_Foundation)

#include "tst_foundation.moc"
