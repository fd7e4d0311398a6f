// The help text's rich-text reader: what it renders and that malformed text
// cannot take it down.
#include "THelpText.h"
#include "TRtfReader.h"
#include "TestMain.h"

#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

class tst_RtfReader : public QObject
{
    Q_OBJECT
private slots:
    void formats_data();
    void formats();
    void helpTextParagraphs();
    void plainText_data();
    void plainText();
    void mutatedHelpText();
};

namespace {

QString mainWindowHelpText()
{
    THelpTextSettings s;
    s.CompanyName = QStringLiteral("VORTAN");
    s.CardName = QStringLiteral("ZX-SER8");
    s.MultiPort = true;
    return THelpText::Rtf(s);
}

// The format of the fragment that is exactly `text`, else of the first that contains it.
bool findFragment(const QTextDocument &doc, const QString &text, QTextCharFormat *format)
{
    for (const bool exact : {true, false}) {
        for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (fragment.isValid() && (exact ? fragment.text() == text : fragment.text().contains(text))) {
                    *format = fragment.charFormat();
                    return true;
                }
            }
        }
    }
    return false;
}

// The text as stored: no space for no-break space, paragraphs and lines as \n.
QString storedText(const QTextDocument &doc)
{
    QString text = doc.toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

const QColor Grey(64, 64, 64);
const QColor Yellow(255, 255, 64);
const QColor Blue(64, 64, 255);
const QColor Red(255, 64, 64);

} // namespace

void tst_RtfReader::formats_data()
{
    QTest::addColumn<QString>("rtf"); // empty: the main window's help text
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<double>("points");
    QTest::addColumn<QColor>("color"); // invalid: the view's default colour
    QTest::newRow("help: heading") << ""
                                   << "VORTAN ZX-SER8 Series Settings Program" << true << false << 16.0 << Grey;
    QTest::newRow("help: body") << ""
                                << "This program will help you configure" << false << false << 12.0 << Grey;
    QTest::newRow("help: yellow title") << ""
                                        << "Yellow circles" << true << false << 12.0 << Yellow;
    QTest::newRow("help: blue title") << ""
                                      << "Blue circles" << true << false << 12.0 << Blue;
    QTest::newRow("help: red title") << ""
                                     << "Red circles" << true << false << 12.0 << Red;
    QTest::newRow("help: after a coloured group")
        << ""
        << " provide information on configuring" << false << false << 12.0 << Grey;
    QTest::newRow("help: note word") << ""
                                     << "Note:" << true << false << 16.0 << Grey;
    QTest::newRow("help: note body") << ""
                                     << " Make sure to set the jumpers" << false << false << 12.0 << Grey;

    const QString table = QStringLiteral(R"({\rtf1{\colortbl;\red10\green20\blue30;\red300\green-5\blue128;})");
    QTest::newRow("group restores bold") << table + R"(a{\b b}c})"
                                         << "c" << false << false << 12.0 << QColor();
    QTest::newRow("inside the group") << table + R"(a{\b\i\fs40 b}c})"
                                      << "b" << true << true << 20.0 << QColor();
    QTest::newRow("b0 ends bold") << table + R"(\b a\b0 z})"
                                  << "z" << false << false << 12.0 << QColor();
    QTest::newRow("plain resets") << table + R"(\b\i\fs40 a\plain z})"
                                  << "z" << false << false << 12.0 << QColor();
    QTest::newRow("auto colour entry") << table + R"(\cf0 z})"
                                       << "z" << false << false << 12.0 << QColor();
    QTest::newRow("colour entry") << table + R"(\cf1 z})"
                                  << "z" << false << false << 12.0 << QColor(10, 20, 30);
    QTest::newRow("colour components clamp") << table + R"(\cf2 z})"
                                             << "z" << false << false << 12.0 << QColor(255, 0, 128);
    QTest::newRow("colour index beyond table") << table + R"(\cf9 z})"
                                               << "z" << false << false << 12.0 << QColor();
    QTest::newRow("negative size ignored") << table + R"(\fs-4 z})"
                                           << "z" << false << false << 12.0 << QColor();
    QTest::newRow("zero size ignored") << table + R"(\fs0 z})"
                                       << "z" << false << false << 12.0 << QColor();
    QTest::newRow("huge size capped") << table + R"(\fs99999999999999999999 z})"
                                      << "z" << false << false << 1638.0 << QColor();
}

void tst_RtfReader::formats()
{
    // Guards against lost bold, half-points taken as points, an off-by-one colour table, formats leaking out of groups.
    QFETCH(QString, rtf);
    QFETCH(QString, text);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(double, points);
    QFETCH(QColor, color);
    QTextDocument doc;
    TRtfReader::Read(rtf.isEmpty() ? mainWindowHelpText() : rtf, &doc);
    QTextCharFormat format;
    QVERIFY2(findFragment(doc, text, &format), qPrintable(text));
    QCOMPARE(format.fontWeight() == QFont::Bold, bold);
    QCOMPARE(format.fontItalic(), italic);
    QCOMPARE(format.fontPointSize(), points);
    QCOMPARE(format.hasProperty(QTextFormat::ForegroundBrush), color.isValid());
    if (color.isValid())
        QCOMPARE(format.foreground().color(), color);
    if (rtf.isEmpty())
        QCOMPARE(format.fontFamilies().toStringList(), QStringList {QStringLiteral("Verdana")});
}

void tst_RtfReader::helpTextParagraphs()
{
    // Guards against \par, \emdash and the control-word delimiter being mishandled.
    QTextDocument doc;
    TRtfReader::Read(mainWindowHelpText(), &doc);
    const QStringList blocks = doc.toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(blocks.value(0), QStringLiteral("VORTAN ZX-SER8 Series Settings Program"));
    QCOMPARE(blocks.value(1), QString());
    QVERIFY(blocks.value(2).startsWith(QStringLiteral("This program will help")));
    QVERIFY(blocks.value(8).endsWith(
        QStringLiteral("once the card is installed. Repeat the setup circles (using the same "
                       "settings) to configure this program, then perform the calibration circles.")));
    QVERIFY(blocks.value(12).contains(QStringLiteral("for each option group \u2014 the configuration options")));
    QVERIFY(blocks.value(12).startsWith(QStringLiteral("Note: Make sure")));
    QVERIFY(!doc.toPlainText().contains(QLatin1Char('\\')));
    QCOMPARE(blocks.size(), 15);
}

void tst_RtfReader::plainText_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("plain");
    QTest::newRow("escaped specials") << QByteArray(R"({\rtf1 a\\b\{c\}d})") << "a\\b{c}d";
    QTest::newRow("hex bytes in code page 1252")
        << QByteArray(R"({\rtf1 caf\'e9 \'80\'93})") << "caf\u00e9 \u20ac\u201c";
    QTest::newRow("raw high bytes in code page 1252") << QByteArray("{\\rtf1 \x93q\x94}") << "\u201cq\u201d";
    QTest::newRow("unicode skips its fallback") << QByteArray(R"({\rtf1 \u8364?x})") << "\u20acx";
    QTest::newRow("unicode negative form") << QByteArray(R"({\rtf1\uc2 \u-3\'3f\'3fy})") << "\ufffdy";
    QTest::newRow("unicode without fallback") << QByteArray(R"({\rtf1\uc0 \u8364 x})") << "\u20acx";
    QTest::newRow("unknown control word") << QByteArray(R"({\rtf1 a\foo123 b\zz c})") << "abc";
    QTest::newRow("unknown optional destination") << QByteArray(R"({\rtf1 a{\*\foo hidden {x}}b})") << "ab";
    QTest::newRow("known destination skipped")
        << QByteArray(R"({\rtf1{\info{\title T}}{\stylesheet{\s0 N;}}x})") << "x";
    QTest::newRow("tables are not text") << QByteArray(R"({\rtf1{\fonttbl{\f0\fswiss Arial;}}{\colortbl;\red1;}x})")
                                         << "x";
    QTest::newRow("paragraphs") << QByteArray(R"({\rtf1 a\par b\par\par c})") << "a\nb\n\nc";
    QTest::newRow("line and tab") << QByteArray(R"({\rtf1 a\line b\tab c})") << "a\nb\tc";
    QTest::newRow("line breaks in the source are not text") << QByteArray("{\\rtf1 a\r\nb\nc}") << "abc";
    QTest::newRow("typographic words") << QByteArray(
        R"({\rtf1 \emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote})")
                                       << "\u2014\u2013\u2022\u2018\u2019\u201c\u201d";
    QTest::newRow("delimiter space is eaten once") << QByteArray(R"({\rtf1 x\emdash  y})") << "x\u2014 y";
    QTest::newRow("binary data is skipped") << QByteArray(R"({\rtf1 a\bin3 x}zb})") << "ab";
    QTest::newRow("control symbols") << QByteArray(R"({\rtf1 a\~b\-c\_d})") << "a\u00a0bc\u2011d";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("not rich text") << QByteArray("just text") << "just text";
    QTest::newRow("unclosed groups") << QByteArray(R"({\rtf1 {\b bold)") << "bold";
    QTest::newRow("stray closing braces") << QByteArray("}}}a}b") << "ab";
    QTest::newRow("deep nesting") << QByteArray(200000, '{') + "x" + QByteArray(200000, '}') << "x";
    QTest::newRow("deep nesting never closed") << QByteArray(300000, '{') + "x"
                                               << "x";
    QTest::newRow("deep nesting after a skipped destination")
        << QByteArray(R"({\rtf1{\*\x )") + QByteArray(100000, '{') + "hidden" + QByteArray(100001, '}') + "y}"
        << "y";
    QTest::newRow("huge parameters") << QByteArray(
        R"({\rtf1 a\cf99999999999999 b\u99999999999 c\uc99999999999 d\f-99999999999 e})")
                                     << "abcde";
    QTest::newRow("truncated hex escape") << QByteArray(R"({\rtf1 a\'4)") << "a";
    QTest::newRow("bad hex escape") << QByteArray(R"({\rtf1 a\'zzb)") << "azzb";
    QTest::newRow("truncated backslash") << QByteArray(R"({\rtf1 a\)") << "a";
    QTest::newRow("truncated control word") << QByteArray(R"({\rtf1 a\fs)") << "a";
    QTest::newRow("truncated table") << QByteArray(R"({\rtf1{\colortbl\red300)") << "";
    QTest::newRow("binary count beyond the end") << QByteArray(R"({\rtf1 a\bin999999999999 xyz)") << "a";
    QTest::newRow("control characters") << QByteArray("a\x01\x00"
                                                      "b",
        4) << "ab";
    QTest::newRow("very long control word") << "a\\" + QByteArray(100000, 'q') + " b"
                                            << "ab";
    QTest::newRow("very long number") << "a\\fs" + QByteArray(100000, '9') + " b"
                                      << "ab";
    QTest::newRow("font name without end") << "{\\fonttbl{\\f0 " + QByteArray(100000, 'n') + "x"
                                           << "";
}

void tst_RtfReader::plainText()
{
    // Guards against control words leaking into text, text dropped, old content kept, or crashes and hangs on broken
    // text.
    QFETCH(QByteArray, rtf);
    QFETCH(QString, plain);
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("old content"));
    TRtfReader::Read(rtf, &doc);
    QCOMPARE(storedText(doc), plain);
}

void tst_RtfReader::mutatedHelpText()
{
    // Guards against crashes on any truncation or corruption of a real text.
    const QByteArray help = mainWindowHelpText().toLatin1();
    QRandomGenerator random(20240611);
    const QByteArray specials("{}\\';0123456789-\x80\xff ");
    QTextDocument doc;
    for (int round = 0; round < 400; ++round) {
        QByteArray text = help.left(random.bounded(help.size() + 1));
        const int edits = random.bounded(1, 12);
        for (int e = 0; e < edits && !text.isEmpty(); ++e) {
            const int at = random.bounded(text.size());
            switch (random.bounded(3)) {
            case 0:
                text[at] = specials.at(random.bounded(specials.size()));
                break;
            case 1:
                text.remove(at, random.bounded(1, 20));
                break;
            default:
                text.insert(at, specials.mid(random.bounded(specials.size()), 3));
                break;
            }
        }
        TRtfReader::Read(text, &doc);
    }
    TRtfReader::Read(help, &doc);
    QVERIFY(doc.toPlainText().startsWith(QStringLiteral("VORTAN ZX-SER8 Series Settings Program\n")));
}

ZX_TEST_MAIN(tst_RtfReader)
#include "tst_rtfreader.moc"
