// The control base address: the typed hexadecimal text, its correction line,
// the five address jumpers, their two mirrors and the edit's colour.
#include "MainWindowFixture.h"
#include "TColor.h"
#include "TRadioPanel.h"
#include "TTwoJumper.h"
#include "TestMain.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>

namespace {

// The base-address panel in a window of its own, as its popup shows it.
struct BaseWindow : MainWindowFixture
{
    BaseWindow()
        : MainWindowFixture({"BasePanel"})
    { }

    // The five address jumpers from A9 down to A5, 'c' closed (installed) and 'o' open; or
    // "mirrors astray" when a mirror on the port-disable panel differs from its jumper.
    QString jumpers() const
    {
        QString pattern;
        for (int line = 9; line >= 5; --line)
            pattern += get<TTwoJumper>(QStringLiteral("BaseJumper%1A").arg(line))->Closed() ? 'c' : 'o';
        const bool mirrored = get<TTwoJumper>("BaseJumper9B")->Closed() == (pattern[0] == 'c')
            && get<TTwoJumper>("BaseJumper8B")->Closed() == (pattern[1] == 'c');
        return mirrored ? pattern : QStringLiteral("mirrors astray");
    }
    QString feedback() const { return get<QLabel>("BaseLabelFeedback")->text(); }
    QColor editColor() const { return edit->palette().color(QPalette::Base); }
    QColor panelColor() const { return ColorToQColor(get<TRadioPanel>("BasePanel")->Color()); }

    // Typed key by key over the selected text.
    void type(const QString &text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    // The whole text replaced in one change, as a paste does.
    void paste(const QString &text)
    {
        QGuiApplication::clipboard()->setText(text);
        edit->setFocus();
        edit->selectAll();
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        else
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    }

    QLineEdit *edit = get<QLineEdit>("BaseEdit");
};

QString patternOf(quint32 value)
{
    QString pattern;
    for (quint32 bit = 0x200; bit >= 0x20; bit >>= 1)
        pattern += (value & bit) ? 'o' : 'c';
    return pattern;
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

class tst_BaseAddress : public MainWindowSuite
{
    Q_OBJECT
private slots:
    void typedAddress_data();
    void typedAddress();
    void randomTexts_data();
    void randomTexts();
};

void tst_BaseAddress::typedAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("value"); // -1: not a valid address
    QTest::addColumn<QString>("feedback");
    QTest::addColumn<QString>("jumpers"); // A9 .. A5
    QTest::addColumn<int>("click"); // then a click on this address line's jumper
    QTest::addColumn<QString>("rebuilt"); // gives this text
    QTest::newRow("300") << "300" << 0x300ll << ""
                         << "ooccc" << 5 << "320";
    QTest::newRow("0300") << "0300" << 0x300ll << ""
                          << "ooccc" << 6 << "340";
    QTest::newRow("2a0") << "2a0" << 0x2A0ll << ""
                         << "ococo" << 7 << "220";
    QTest::newRow("301") << "301" << 0x301ll << "Actual: 300"
                         << "ooccc" << 9 << "100";
    QTest::newRow("3FF") << "3FF" << 0x3FFll << "Actual: 3E0"
                         << "ooooo" << 8 << "2E0";
    QTest::newRow("1300") << "1300" << 0x1300ll << "Actual: 300"
                          << "ooccc" << 5 << "320";
    QTest::newRow("0") << "0" << 0ll << ""
                       << "ccccc" << 9 << "200";
    QTest::newRow("1F") << "1F" << 0x1Fll << "Actual: 0"
                        << "ccccc" << 6 << "40";
    QTest::newRow("000000300") << "000000300" << 0x300ll << ""
                               << "ooccc" << 7 << "380";
    QTest::newRow("FFFFFFFF") << "FFFFFFFF" << 0xFFFFFFFFll << "Actual: 3E0"
                              << "ooooo" << 8 << "2E0";
    QTest::newRow("ffffffff") << "ffffffff" << 0xFFFFFFFFll << "Actual: 3E0"
                              << "ooooo" << 9 << "1E0";
    QTest::newRow("3e0") << "3e0" << 0x3E0ll << ""
                         << "ooooo" << 5 << "3C0";
    QTest::newRow("only zeros") << "0000000000000" << 0ll << ""
                                << "ccccc" << 6 << "40";
    QTest::newRow("eight digits after zeros") << "00012345678" << 0x12345678ll << "Actual: 260"
                                              << "occoo" << 7 << "2E0";
    // Invalid texts leave everything as "2a1" set it; a click then starts from 2A0.
    const char *const after[] = {"280", "2E0", "220", "3A0", "A0"}; // A5 .. A9 clicked
    const char *const invalid[][2] = {{"empty", ""}, {"leading blank", " 300"}, {"trailing blank", "300 "},
        {"dollar", "$300"}, {"C prefix", "0x300"}, {"minus", "-20"}, {"plus", "+20"}, {"30G", "30G"},
        {"nine significant digits", "123456789"}, {"nine digits, first small", "100000000"},
        {"full-width digits", "\xef\xbc\x93\xef\xbc\x90\xef\xbc\x90"}, {"Arabic-Indic digit", "\xd9\xa3"}};
    for (int i = 0; i < 12; ++i)
        QTest::newRow(invalid[i][0]) << QString::fromUtf8(invalid[i][1]) << -1ll << "Actual: 2A0"
                                     << "ococo" << 9 - i % 5 << after[4 - i % 5];
}

void tst_BaseAddress::typedAddress()
{
    // A text misread, or the jumpers, correction line, colour or text out of step after typing or a click.
    QFETCH(QString, text);
    QFETCH(qint64, value);
    QFETCH(QString, feedback);
    QFETCH(QString, jumpers);
    QFETCH(int, click);
    QFETCH(QString, rebuilt);
    quint32 parsed = 0xDEADBEEF;
    QCOMPARE(ParseHexAddress(text, &parsed), value >= 0);
    QCOMPARE(parsed, value >= 0 ? quint32(value) : 0xDEADBEEFu);

    BaseWindow w;
    QVERIFY(w.panelColor() != ColorToQColor(clWindow));
    w.paste(QStringLiteral("2a1"));
    value >= 0 ? w.type(text) : w.paste(text);
    QCOMPARE(w.edit->text(), text);
    QCOMPARE(w.feedback(), feedback);
    QCOMPARE(w.jumpers(), jumpers);
    QCOMPARE(w.editColor(), value >= 0 ? ColorToQColor(clWindow) : w.panelColor());

    w.click(w.get<TTwoJumper>(QStringLiteral("BaseJumper%1A").arg(click)));
    QCOMPARE(w.edit->text(), rebuilt);
    QCOMPARE(w.jumpers(), patternOf(rebuilt.toUInt(nullptr, 16)));
    QCOMPARE(w.feedback(), QString());
    QCOMPARE(w.editColor(), ColorToQColor(clWindow));
}

void tst_BaseAddress::randomTexts_data()
{
    QTest::addColumn<bool>("numbers");
    QTest::newRow("32-bit values in any case with leading zeros") << true;
    QTest::newRow("strings of hex digits and other characters") << false;
}

void tst_BaseAddress::randomTexts()
{
    // Some value or text whose jumpers, correction line, mirrors or colour come out wrong.
    QFETCH(bool, numbers);
    BaseWindow w;
    const QString alphabet = QStringLiteral("0123456789abcdefABCDEF0000 xXgG$-+.");
    QRandomGenerator random(numbers ? 20240315 : 977);
    quint32 lastValid = 0x300;
    for (int i = 0; i < 3000; ++i) {
        QString text;
        if (numbers) {
            const quint32 value = (i % 3 == 0) ? random.bounded(0x400u) : random.generate();
            text = QString::number(value, 16);
            if (random.bounded(2))
                text = text.toUpper();
            text.prepend(QString(int(random.bounded(4u)), QLatin1Char('0')));
        } else {
            for (int k = int(random.bounded(12u)); k > 0; --k)
                text += alphabet.at(int(random.bounded(quint32(alphabet.size()))));
        }
        quint32 expected = 0, parsed = 0;
        const bool valid = referenceParse(text, &expected);
        QCOMPARE(ParseHexAddress(text, &parsed), valid);
        const QString before = w.feedback();
        w.edit->setText(text);
        QCOMPARE(w.edit->text(), text);
        if (valid) {
            QCOMPARE(parsed, expected);
            lastValid = expected;
            const quint32 settable = expected & 0x3E0;
            const QString correction = "Actual: " + QString::number(settable, 16).toUpper();
            QCOMPARE(w.feedback(), expected == settable ? QString() : correction);
        } else {
            QCOMPARE(w.feedback(), before);
        }
        QCOMPARE(w.editColor(), valid ? ColorToQColor(clWindow) : w.panelColor());
        QCOMPARE(w.jumpers(), patternOf(lastValid & 0x3E0));
    }
}

ZX_TEST_MAIN(tst_BaseAddress)
#include "tst_baseaddress.moc"
