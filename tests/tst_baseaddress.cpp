// The control base address: the typed hexadecimal text, its correction line,
// the five address jumpers, their two mirrors and the edit's colour.
#include "MessageRecorder.h"
#include "SimulatedCard.h"
#include "TColor.h"
#include "TRadioPanel.h"
#include "TTwoJumper.h"
#include "TestMain.h"
#include "template.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

namespace {

// The form with one option panel moved into a window of its own, as a popup shows it.
struct PanelWindow
{
    explicit PanelWindow(const char *panelName)
    {
        panel = form.findChild<TRadioPanel *>(QString::fromLatin1(panelName));
        host.resize(panel->size());
        panel->setParent(&host);
        panel->move(0, 0);
        panel->show();
        host.show();
    }
    template <class T = QWidget>
    T *get(const char *name) const
    {
        // The moved panel's controls live in the host window now.
        const QString objectName = QString::fromLatin1(name);
        if (T *found = host.findChild<T *>(objectName))
            return found;
        return form.findChild<T *>(objectName);
    }

    SimulatedCard card;
    MessageRecorder boxes;
    TMainForm form;
    QWidget host;
    TRadioPanel *panel = nullptr;
};

const char *const AddressJumpers[] = { "BaseJumper9A", "BaseJumper8A", "BaseJumper7A", "BaseJumper6A", "BaseJumper5A" };

// The five address jumpers from A9 down to A5: 'c' closed (installed), 'o' open.
QString jumperPattern(const PanelWindow &w)
{
    QString pattern;
    for (const char *name : AddressJumpers)
        pattern += w.get<TTwoJumper>(name)->Closed() ? QLatin1Char('c') : QLatin1Char('o');
    return pattern;
}

QString patternOf(quint32 value)
{
    QString pattern;
    for (quint32 bit = 0x200; bit >= 0x20; bit >>= 1)
        pattern += (value & bit) ? QLatin1Char('o') : QLatin1Char('c');
    return pattern;
}

bool mirrorsFollow(const PanelWindow &w)
{
    return w.get<TTwoJumper>("BaseJumper9B")->Closed() == w.get<TTwoJumper>("BaseJumper9A")->Closed()
        && w.get<TTwoJumper>("BaseJumper8B")->Closed() == w.get<TTwoJumper>("BaseJumper8A")->Closed();
}

void typeText(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        QTest::keyClicks(edit, text);
}

// Replaces the whole text in one change, as a paste does.
void pasteText(QLineEdit *edit, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
}

QColor editColor(const PanelWindow &w)
{
    return w.get<QLineEdit>("BaseEdit")->palette().color(QPalette::Base);
}

// An independent reading of the rule: hexadecimal digits only, at most eight
// once the leading zeros are gone.
bool referenceParse(const QString &text, quint32 *value)
{
    static const QRegularExpression hexOnly(QStringLiteral("^[0-9A-Fa-f]+$"));
    if (!hexOnly.match(text).hasMatch())
        return false;
    QString digits = text;
    while (digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    if (digits.size() > 8)
        return false;
    *value = digits.isEmpty() ? 0 : digits.toUInt(nullptr, 16);
    return true;
}

} // namespace

class tst_BaseAddress : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void parseHex_data();
    void parseHex();
    void typedAddress_data();
    void typedAddress();
    void invalidTextChangesOnlyColour_data();
    void invalidTextChangesOnlyColour();
    void jumperClickRebuildsText_data();
    void jumperClickRebuildsText();
    void mirrorsIgnoreClicks();
    void randomAddresses();
    void randomTexts();
};

void tst_BaseAddress::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral("QObject::connect")));
}

void tst_BaseAddress::parseHex_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<quint32>("value");
    QTest::newRow("plain") << "300" << true << 0x300u;
    QTest::newRow("lower case") << "2a0" << true << 0x2A0u;
    QTest::newRow("zero") << "0" << true << 0u;
    QTest::newRow("only zeros") << "0000000000000" << true << 0u;
    QTest::newRow("six leading zeros") << "000000300" << true << 0x300u;
    QTest::newRow("eight digits") << "FFFFFFFF" << true << 0xFFFFFFFFu;
    QTest::newRow("eight digits after zeros") << "00012345678" << true << 0x12345678u;
    QTest::newRow("nine digits") << "123456789" << false << 0u;
    QTest::newRow("nine digits, first small") << "100000000" << false << 0u;
    QTest::newRow("empty") << "" << false << 0u;
    QTest::newRow("leading blank") << " 300" << false << 0u;
    QTest::newRow("trailing blank") << "300 " << false << 0u;
    QTest::newRow("dollar") << "$300" << false << 0u;
    QTest::newRow("C prefix") << "0x300" << false << 0u;
    QTest::newRow("sign") << "-20" << false << 0u;
    QTest::newRow("plus") << "+20" << false << 0u;
    QTest::newRow("letter beyond F") << "30G" << false << 0u;
    QTest::newRow("full-width digits") << QString::fromUtf8("\xef\xbc\x93\xef\xbc\x90\xef\xbc\x90") << false << 0u;
    QTest::newRow("Arabic-Indic digit") << QString::fromUtf8("\xd9\xa3") << false << 0u;
}

void tst_BaseAddress::parseHex()
{
    // Digits of other scripts, blanks, signs or overlong numbers taken as an address.
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(quint32, value);
    quint32 parsed = 0xDEADBEEF;
    QCOMPARE(ParseHexAddress(text, &parsed), valid);
    if (valid)
        QCOMPARE(parsed, value);
    else
        QCOMPARE(parsed, 0xDEADBEEFu);
}

void tst_BaseAddress::typedAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("feedback");
    QTest::addColumn<QString>("jumpers");   // A9 .. A5
    QTest::newRow("300") << "300" << "" << "ooccc";
    QTest::newRow("0300") << "0300" << "" << "ooccc";
    QTest::newRow("2a0") << "2a0" << "" << "ococo";
    QTest::newRow("301") << "301" << "Actual: 300" << "ooccc";
    QTest::newRow("3FF") << "3FF" << "Actual: 3E0" << "ooooo";
    QTest::newRow("1300") << "1300" << "Actual: 300" << "ooccc";
    QTest::newRow("0") << "0" << "" << "ccccc";
    QTest::newRow("1F") << "1F" << "Actual: 0" << "ccccc";
    QTest::newRow("000000300") << "000000300" << "" << "ooccc";
    QTest::newRow("FFFFFFFF") << "FFFFFFFF" << "Actual: 3E0" << "ooooo";
    QTest::newRow("ffffffff") << "ffffffff" << "Actual: 3E0" << "ooooo";
    QTest::newRow("3e0") << "3e0" << "" << "ooooo";
}

void tst_BaseAddress::typedAddress()
{
    // Jumpers, correction line or colour not matching the typed address, or the typed text rewritten.
    QFETCH(QString, text);
    QFETCH(QString, feedback);
    QFETCH(QString, jumpers);
    PanelWindow w("BasePanel");
    auto *edit = w.get<QLineEdit>("BaseEdit");
    typeText(edit, text);
    QCOMPARE(edit->text(), text);
    QCOMPARE(w.get<QLabel>("BaseLabelFeedback")->text(), feedback);
    QCOMPARE(jumperPattern(w), jumpers);
    QVERIFY(mirrorsFollow(w));
    QCOMPARE(editColor(w), ColorToQColor(clWindow));
}

void tst_BaseAddress::invalidTextChangesOnlyColour_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("leading blank") << " 300";
    QTest::newRow("trailing blank") << "300 ";
    QTest::newRow("dollar") << "$300";
    QTest::newRow("minus") << "-20";
    QTest::newRow("30G") << "30G";
    QTest::newRow("nine significant digits") << "123456789";
}

void tst_BaseAddress::invalidTextChangesOnlyColour()
{
    // An invalid text moving jumpers or the correction line, or not showing as invalid.
    QFETCH(QString, text);
    PanelWindow w("BasePanel");
    auto *edit = w.get<QLineEdit>("BaseEdit");
    pasteText(edit, QStringLiteral("2a1"));
    QCOMPARE(jumperPattern(w), QStringLiteral("ococo"));
    const QColor panelColor = ColorToQColor(w.panel->Color());
    QVERIFY(panelColor != ColorToQColor(clWindow));

    pasteText(edit, text);
    QCOMPARE(edit->text(), text);
    QCOMPARE(editColor(w), panelColor);
    QCOMPARE(jumperPattern(w), QStringLiteral("ococo"));
    QCOMPARE(w.get<QLabel>("BaseLabelFeedback")->text(), QStringLiteral("Actual: 2A0"));
    QVERIFY(mirrorsFollow(w));

    // The next valid text brings everything back in step.
    pasteText(edit, QStringLiteral("100"));
    QCOMPARE(editColor(w), ColorToQColor(clWindow));
    QCOMPARE(jumperPattern(w), QStringLiteral("coccc"));
    QCOMPARE(w.get<QLabel>("BaseLabelFeedback")->text(), QString());
}

void tst_BaseAddress::jumperClickRebuildsText_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("jumper");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("jumpers");
    QTest::newRow("A5 from the designed 300") << "300" << "BaseJumper5A" << "320" << "oocco";
    QTest::newRow("A9 from 301 clears the correction") << "301" << "BaseJumper9A" << "100" << "coccc";
    QTest::newRow("A9 after an invalid text") << "30G" << "BaseJumper9A" << "1E0" << "coooo";
    QTest::newRow("A8 after an invalid text") << "30G" << "BaseJumper8A" << "2E0" << "ocooo";
    QTest::newRow("A7 after an invalid text") << "30G" << "BaseJumper7A" << "360" << "oocoo";
    QTest::newRow("A6 after an invalid text") << "30G" << "BaseJumper6A" << "3A0" << "oooco";
    QTest::newRow("A5 after an invalid text") << "30G" << "BaseJumper5A" << "3C0" << "ooooc";
}

void tst_BaseAddress::jumperClickRebuildsText()
{
    // A jumper click that leaves the edit, the correction line or the colour behind.
    QFETCH(QString, before);
    QFETCH(QString, jumper);
    QFETCH(QString, text);
    QFETCH(QString, jumpers);
    PanelWindow w("BasePanel");
    auto *edit = w.get<QLineEdit>("BaseEdit");
    if (before != QLatin1String("300")) {
        if (before == QLatin1String("30G"))
            pasteText(edit, QStringLiteral("3FF"));
        pasteText(edit, before);
    }
    auto *j = w.get<TTwoJumper>(jumper.toLatin1().constData());
    QTest::mouseClick(j, Qt::LeftButton, {}, j->rect().center());
    QCOMPARE(edit->text(), text);
    QCOMPARE(jumperPattern(w), jumpers);
    QCOMPARE(w.get<QLabel>("BaseLabelFeedback")->text(), QString());
    QCOMPARE(editColor(w), ColorToQColor(clWindow));
    QVERIFY(mirrorsFollow(w));
}

void tst_BaseAddress::mirrorsIgnoreClicks()
{
    // A click on a mirror on the port-disable panel changing the address.
    PanelWindow w("DFPanel");
    auto *edit = w.get<QLineEdit>("BaseEdit");
    edit->setText(QStringLiteral("2a0"));
    for (const char *name : { "BaseJumper9B", "BaseJumper8B" }) {
        auto *mirror = w.get<TTwoJumper>(name);
        const bool closed = mirror->Closed();
        QTest::mouseClick(mirror, Qt::LeftButton, {}, mirror->rect().center());
        QCOMPARE(mirror->Closed(), closed);
    }
    QCOMPARE(edit->text(), QStringLiteral("2a0"));
    QCOMPARE(jumperPattern(w), QStringLiteral("ococo"));
    QVERIFY(mirrorsFollow(w));
}

void tst_BaseAddress::randomAddresses()
{
    // Some 32-bit value whose jumpers, correction line or mirrors come out wrong.
    PanelWindow w("BasePanel");
    auto *edit = w.get<QLineEdit>("BaseEdit");
    auto *feedback = w.get<QLabel>("BaseLabelFeedback");
    QRandomGenerator random(20240315);
    for (int i = 0; i < 3000; ++i) {
        const quint32 value = (i % 3 == 0) ? random.bounded(0x400u) : random.generate();
        QString text = QString::number(value, 16);
        if (random.bounded(2))
            text = text.toUpper();
        text.prepend(QString(int(random.bounded(4u)), QLatin1Char('0')));
        edit->setText(text);
        const quint32 settable = value & 0x3E0;
        QCOMPARE(jumperPattern(w), patternOf(settable));
        QCOMPARE(feedback->text().isEmpty(), value == settable);
        if (value != settable)
            QCOMPARE(feedback->text(), QStringLiteral("Actual: ") + QString::number(settable, 16).toUpper());
        QVERIFY(mirrorsFollow(w));
        QCOMPARE(edit->text(), text);
    }
}

void tst_BaseAddress::randomTexts()
{
    // Some text that moves the jumpers although it is not valid, or is read differently from the rule.
    PanelWindow w("BasePanel");
    auto *edit = w.get<QLineEdit>("BaseEdit");
    auto *feedback = w.get<QLabel>("BaseLabelFeedback");
    const QString alphabet = QStringLiteral("0123456789abcdefABCDEF0000 xXgG$-+.");
    QRandomGenerator random(977);
    quint32 lastValid = 0x300;
    for (int i = 0; i < 3000; ++i) {
        QString text;
        const int length = int(random.bounded(12u));
        for (int k = 0; k < length; ++k)
            text += alphabet.at(int(random.bounded(quint32(alphabet.size()))));
        quint32 expected = 0;
        const bool valid = referenceParse(text, &expected);
        quint32 parsed = 0;
        QCOMPARE(ParseHexAddress(text, &parsed), valid);
        const QString before = feedback->text();
        edit->setText(text);
        if (valid) {
            QCOMPARE(parsed, expected);
            lastValid = expected;
            QCOMPARE(feedback->text().isEmpty(), expected == (expected & 0x3E0));
        } else {
            QCOMPARE(feedback->text(), before);
        }
        QCOMPARE(jumperPattern(w), patternOf(lastValid & 0x3E0));
        QVERIFY(mirrorsFollow(w));
    }
}

ZX_TEST_MAIN(tst_BaseAddress)
#include "tst_baseaddress.moc"
