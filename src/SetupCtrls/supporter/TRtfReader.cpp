#include "TRtfReader.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QSet>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <vector>

namespace {

// Code page 1252 differs from Latin-1 only in 0x80..0x9F.
const char16_t Cp1252High[32] = {
    0x20AC,
    0x0081,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    0x008D,
    0x017D,
    0x008F,
    0x0090,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    0x009D,
    0x017E,
    0x0178,
};

QChar fromCp1252(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(Cp1252High[byte - 0x80]);
    return QChar(byte);
}

enum class Destination { Text, Skip, FontTable, ColorTable };

struct State
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int fontSize = 24; // half-points
    int color = -1; // colour table index; -1 is the default colour
    int font = -1; // font table index; -1 is \deff
    int unicodeSkip = 1; // \uc
    Destination dest = Destination::Text;
};

struct ColorEntry
{
    bool automatic = true;
    int red = 0, green = 0, blue = 0;
};

// Sizes beyond this are not text any more.
constexpr int MaxHalfPoints = 3276;
// Parameters saturate here; RTF parameters are 16-bit anyway.
constexpr long long MaxParam = 1000000000;
constexpr int MaxWordLength = 32;

class Parser
{
public:
    Parser(const QString &rtf, QTextDocument *document)
        : m_in(rtf)
        , m_cursor(document)
    {
        m_states.reserve(16);
        m_states.push_back(State());
    }

    void run()
    {
        m_cursor.beginEditBlock();
        while (m_pos < m_in.size()) {
            const QChar c = m_in.at(m_pos++);
            switch (c.unicode()) {
            case '{':
                flush();
                m_skipChars = 0;
                if (int(m_states.size()) < TRtfReader::MaxGroupDepth)
                    m_states.push_back(m_states.back());
                else
                    ++m_overflowDepth;
                break;
            case '}':
                flush();
                m_skipChars = 0;
                closeGroup();
                break;
            case '\\':
                controlSequence();
                break;
            case '\r':
            case '\n':
                break;
            default:
                character(c);
                break;
            }
        }
        flush();
        m_cursor.endEditBlock();
    }

private:
    State &state() { return m_states.back(); }

    void closeGroup()
    {
        if (m_overflowDepth > 0) {
            --m_overflowDepth;
            return;
        }
        const Destination closing = state().dest;
        if (closing == Destination::FontTable)
            finishFontName();
        // A brace without its opener is ignored.
        if (m_states.size() > 1)
            m_states.pop_back();
    }

    void controlSequence()
    {
        if (m_pos >= m_in.size())
            return;
        const QChar c = m_in.at(m_pos);
        if (isAsciiLetter(c)) {
            controlWord();
            return;
        }
        ++m_pos;
        switch (c.unicode()) {
        case '\'': {
            int value = 0;
            int digits = 0;
            while (digits < 2 && m_pos < m_in.size()) {
                const int h = hexValue(m_in.at(m_pos));
                if (h < 0)
                    break;
                value = value * 16 + h;
                ++m_pos;
                ++digits;
            }
            if (digits == 2)
                character(fromCp1252(static_cast<unsigned char>(value)), true);
            break;
        }
        case '\\':
        case '{':
        case '}':
            character(c, true);
            break;
        case '*':
            // An optional destination this reader does not know.
            state().dest = Destination::Skip;
            break;
        case '~':
            character(QChar(0x00A0), true);
            break;
        case '_':
            character(QChar(0x2011), true);
            break;
        case '\r':
        case '\n':
            paragraph();
            break;
        default:
            break; // optional hyphen and the rest
        }
    }

    void controlWord()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_in.size() && isAsciiLetter(m_in.at(m_pos)))
            ++m_pos;
        const QString word = m_in.mid(start, qMin<qsizetype>(m_pos - start, MaxWordLength));
        bool negative = false;
        bool hasParam = false;
        long long param = 0;
        if (m_pos < m_in.size() && m_in.at(m_pos) == QLatin1Char('-') && m_pos + 1 < m_in.size()
            && m_in.at(m_pos + 1).isDigit() && m_in.at(m_pos + 1).unicode() < 0x80) {
            negative = true;
            ++m_pos;
        }
        while (m_pos < m_in.size() && m_in.at(m_pos).unicode() >= '0' && m_in.at(m_pos).unicode() <= '9') {
            hasParam = true;
            param = qMin(MaxParam, param * 10 + (m_in.at(m_pos).unicode() - '0'));
            ++m_pos;
        }
        if (negative)
            param = -param;
        if (m_pos < m_in.size() && m_in.at(m_pos) == QLatin1Char(' '))
            ++m_pos;
        apply(word, hasParam, int(param));
    }

    void apply(const QString &word, bool hasParam, int param)
    {
        State &s = state();
        if (word == QLatin1String("bin")) {
            // Raw bytes follow; they are never text.
            const int count = hasParam ? qMax(0, param) : 0;
            m_pos += qMin<qsizetype>(count, m_in.size() - m_pos);
            return;
        }
        if (s.dest == Destination::Skip)
            return;
        if (word == QLatin1String("fonttbl")) {
            flush();
            s.dest = Destination::FontTable;
            return;
        }
        if (word == QLatin1String("colortbl")) {
            flush();
            s.dest = Destination::ColorTable;
            return;
        }
        if (skippedDestinations().contains(word)) {
            flush();
            s.dest = Destination::Skip;
            return;
        }
        if (s.dest == Destination::FontTable) {
            if (word == QLatin1String("f")) {
                finishFontName();
                m_fontDefinition = hasParam ? param : 0;
            }
            return;
        }
        if (s.dest == Destination::ColorTable) {
            const int v = qBound(0, hasParam ? param : 0, 255);
            if (word == QLatin1String("red"))
                m_colorEntry.red = v;
            else if (word == QLatin1String("green"))
                m_colorEntry.green = v;
            else if (word == QLatin1String("blue"))
                m_colorEntry.blue = v;
            else
                return;
            m_colorEntry.automatic = false;
            return;
        }

        const bool on = !hasParam || param != 0;
        if (word == QLatin1String("par")) {
            paragraph();
        } else if (word == QLatin1String("b")) {
            setFormat(s.bold, on);
        } else if (word == QLatin1String("i")) {
            setFormat(s.italic, on);
        } else if (word == QLatin1String("ul")) {
            setFormat(s.underline, on);
        } else if (word == QLatin1String("ulnone")) {
            setFormat(s.underline, false);
        } else if (word == QLatin1String("fs")) {
            const int size = hasParam ? param : 24;
            if (size > 0)
                setFormat(s.fontSize, qMin(size, MaxHalfPoints));
        } else if (word == QLatin1String("cf")) {
            setFormat(s.color, hasParam ? qMax(-1, param) : 0);
        } else if (word == QLatin1String("f")) {
            setFormat(s.font, hasParam ? qMax(-1, param) : 0);
        } else if (word == QLatin1String("plain")) {
            flush();
            s.bold = s.italic = s.underline = false;
            s.fontSize = 24;
            s.font = -1;
        } else if (word == QLatin1String("deff")) {
            m_defaultFont = hasParam ? param : 0;
        } else if (word == QLatin1String("uc")) {
            s.unicodeSkip = qBound(0, hasParam ? param : 1, 16);
        } else if (word == QLatin1String("u")) {
            if (!hasParam)
                return;
            const int code = param < 0 ? param + 65536 : param;
            if (code < 0 || code > 0xFFFF)
                return;
            const QChar ch {char16_t(code)};
            character(ch.isSurrogate() ? QChar(QChar::ReplacementCharacter) : ch, true);
            m_skipChars = s.unicodeSkip;
        } else if (word == QLatin1String("line")) {
            character(QChar(QChar::LineSeparator), true);
        } else if (word == QLatin1String("tab")) {
            character(QLatin1Char('\t'), true);
        } else if (word == QLatin1String("emdash")) {
            character(QChar(0x2014), true);
        } else if (word == QLatin1String("endash")) {
            character(QChar(0x2013), true);
        } else if (word == QLatin1String("bullet")) {
            character(QChar(0x2022), true);
        } else if (word == QLatin1String("lquote")) {
            character(QChar(0x2018), true);
        } else if (word == QLatin1String("rquote")) {
            character(QChar(0x2019), true);
        } else if (word == QLatin1String("ldblquote")) {
            character(QChar(0x201C), true);
        } else if (word == QLatin1String("rdblquote")) {
            character(QChar(0x201D), true);
        } else if (word == QLatin1String("emspace")) {
            character(QChar(0x2003), true);
        } else if (word == QLatin1String("enspace")) {
            character(QChar(0x2002), true);
        }
        // Everything else (\rtf, \ansi, \ansicpg, \deflang, \viewkind, \pard,
        // \fswiss, ...) changes nothing this reader shows.
    }

    static const QSet<QString> &skippedDestinations()
    {
        static const QSet<QString> words = {
            QStringLiteral("stylesheet"),
            QStringLiteral("info"),
            QStringLiteral("pict"),
            QStringLiteral("object"),
            QStringLiteral("header"),
            QStringLiteral("headerl"),
            QStringLiteral("headerr"),
            QStringLiteral("headerf"),
            QStringLiteral("footer"),
            QStringLiteral("footerl"),
            QStringLiteral("footerr"),
            QStringLiteral("footerf"),
            QStringLiteral("footnote"),
            QStringLiteral("fldinst"),
            QStringLiteral("listtable"),
            QStringLiteral("listoverridetable"),
            QStringLiteral("rsidtbl"),
            QStringLiteral("xmlnstbl"),
            QStringLiteral("filetbl"),
            QStringLiteral("revtbl"),
            QStringLiteral("themedata"),
            QStringLiteral("colorschememapping"),
            QStringLiteral("latentstyles"),
            QStringLiteral("datastore"),
            QStringLiteral("generator"),
        };
        return words;
    }

    template <typename T> void setFormat(T &field, T value)
    {
        if (field == value)
            return;
        flush();
        field = value;
    }

    void character(QChar c, bool escaped = false)
    {
        if (m_skipChars > 0) {
            --m_skipChars;
            return;
        }
        if (!escaped && c.unicode() < 0x20 && c != QLatin1Char('\t'))
            return;
        switch (state().dest) {
        case Destination::Text:
            m_text.append(c);
            break;
        case Destination::FontTable:
            if (c == QLatin1Char(';'))
                finishFontName();
            else if (m_fontName.size() < 256)
                m_fontName.append(c);
            break;
        case Destination::ColorTable:
            if (c == QLatin1Char(';')) {
                m_colors.append(m_colorEntry);
                m_colorEntry = ColorEntry();
            }
            break;
        case Destination::Skip:
            break;
        }
    }

    void finishFontName()
    {
        const QString name = m_fontName.trimmed();
        m_fontName.clear();
        if (!name.isEmpty() && m_fontDefinition >= 0)
            m_fonts.insert(m_fontDefinition, name);
    }

    QTextCharFormat currentFormat()
    {
        const State &s = state();
        QTextCharFormat format;
        format.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(s.italic);
        format.setFontUnderline(s.underline);
        format.setFontPointSize(s.fontSize / 2.0);
        if (s.color >= 0 && s.color < m_colors.size() && !m_colors.at(s.color).automatic) {
            const ColorEntry &e = m_colors.at(s.color);
            format.setForeground(QColor(e.red, e.green, e.blue));
        }
        const int font = s.font >= 0 ? s.font : m_defaultFont;
        const auto it = m_fonts.constFind(font);
        if (it != m_fonts.constEnd())
            format.setFontFamilies(QStringList {*it});
        return format;
    }

    void flush()
    {
        if (m_text.isEmpty())
            return;
        const QTextCharFormat format = currentFormat();
        if (m_cursor.block().length() <= 1)
            m_cursor.setBlockCharFormat(format);
        m_cursor.insertText(m_text, format);
        m_text.clear();
    }

    void paragraph()
    {
        if (state().dest != Destination::Text)
            return;
        flush();
        const QTextCharFormat format = currentFormat();
        // An empty paragraph still takes the height of its format.
        if (m_cursor.block().length() <= 1)
            m_cursor.setBlockCharFormat(format);
        m_cursor.insertBlock(QTextBlockFormat(), format);
    }

    static bool isAsciiLetter(QChar c)
    {
        const char16_t u = c.unicode();
        return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
    }

    static int hexValue(QChar c)
    {
        const char16_t u = c.unicode();
        if (u >= '0' && u <= '9')
            return u - '0';
        if (u >= 'a' && u <= 'f')
            return u - 'a' + 10;
        if (u >= 'A' && u <= 'F')
            return u - 'A' + 10;
        return -1;
    }

    const QString &m_in;
    qsizetype m_pos = 0;
    QTextCursor m_cursor;
    std::vector<State> m_states;
    int m_overflowDepth = 0;
    int m_skipChars = 0;
    QString m_text;
    QHash<int, QString> m_fonts;
    int m_fontDefinition = -1;
    QString m_fontName;
    int m_defaultFont = 0;
    QList<ColorEntry> m_colors;
    ColorEntry m_colorEntry;
};

} // namespace

void TRtfReader::Read(const QByteArray &rtf, QTextDocument *document)
{
    QString text;
    text.reserve(rtf.size());
    for (const char byte : rtf)
        text.append(fromCp1252(static_cast<unsigned char>(byte)));
    Read(text, document);
}

void TRtfReader::Read(const QString &rtf, QTextDocument *document)
{
    if (!document)
        return;
    document->clear();
    Parser parser(rtf, document);
    parser.run();
}
