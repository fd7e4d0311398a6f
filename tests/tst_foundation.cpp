// Shared plumbing every control stands on: anchors, colour references,
// the message-box seam and the application's exception box.
#include "Anchors.h"
#include "MessageRecorder.h"
#include "TApplication.h"
#include "TColor.h"
#include "TestMain.h"

#include <QPalette>
#include <QtTest>

class tst_Foundation : public QObject
{
    Q_OBJECT
private slots:
    void anchorsKeepDistances_data();
    void anchorsKeepDistances();
    void anchorsFollowReparenting();
    void colorReferences_data();
    void colorReferences();
    void exceptionBoxUsesTitleAndErrorIcon();
    void messageHandlerIsRestored();
};

void tst_Foundation::anchorsKeepDistances_data()
{
    QTest::addColumn<unsigned>("anchors");
    QTest::addColumn<QRect>("expected");
    // Parent 200 x 100 grows to 260 x 140; child at (10, 20) 50 x 30.
    QTest::newRow("left top stays") << unsigned(akLeft | akTop) << QRect(10, 20, 50, 30);
    QTest::newRow("right bottom follows") << unsigned(akRight | akBottom) << QRect(70, 60, 50, 30);
    QTest::newRow("all four stretch") << unsigned(akLeft | akTop | akRight | akBottom) << QRect(10, 20, 110, 70);
    QTest::newRow("bottom only") << unsigned(akBottom) << QRect(40, 60, 50, 30);
    QTest::newRow("left right bottom") << unsigned(akLeft | akRight | akBottom) << QRect(10, 60, 110, 30);
}

void tst_Foundation::anchorsKeepDistances()
{
    QFETCH(unsigned, anchors);
    QFETCH(QRect, expected);
    QWidget parent;
    parent.resize(200, 100);
    auto *child = new QWidget(&parent);
    child->setGeometry(10, 20, 50, 30);
    SetAnchors(child, anchors);
    QCOMPARE(GetAnchors(child), anchors);
    parent.show();
    parent.resize(260, 140);
    QCOMPARE(child->geometry(), expected);
}

void tst_Foundation::anchorsFollowReparenting()
{
    // A hidden window resized before it is shown must still move its anchored controls.
    {
        QWidget hidden;
        hidden.resize(100, 100);
        auto *c = new QWidget(&hidden);
        c->setGeometry(10, 10, 20, 20);
        SetAnchors(c, akRight | akBottom);
        hidden.resize(150, 120);
        hidden.show();
        QCOMPARE(c->geometry(), QRect(60, 30, 20, 20));
    }
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

void tst_Foundation::exceptionBoxUsesTitleAndErrorIcon()
{
    // An exception escaping a handler must end in the standard error box, not abort.
    MessageRecorder boxes;
    QObject target;
    struct Thrower : QObject {
        bool event(QEvent *) override { throw EConvertError("\"x\" is not a valid hexadecimal value."); }
    } thrower;
    TApplication *app = qobject_cast<TApplication *>(QCoreApplication::instance());
    QVERIFY(app);
    QEvent event(QEvent::User);
    app->notify(&thrower, &event);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().Caption, TApplication::Title());
    QCOMPARE(boxes.last().Text, QStringLiteral("\"x\" is not a valid hexadecimal value."));
    QCOMPARE(boxes.last().Icon, TMsgIcon::Error);
    QCOMPARE(boxes.last().Buttons, TMsgButtons::Ok);
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

ZX_TEST_MAIN(tst_Foundation)

#include "tst_foundation.moc"
