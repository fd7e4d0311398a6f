// The control base address as the user types it: the strict hexadecimal
// parse checked against an independent reading of the text, and the main
// window's base-address jumpers checked after every step against the
// settable bits of the last text that was valid.
//
// Input: lines. A line "\x01" + byte clicks address jumper (byte % 5) from A5
// up; a line "\x03" + bytes is typed as UTF-16 (little endian); any other line
// is typed as UTF-8. Every input starts from the designed text "300".
#include "FuzzSupport.h"

#include "MessageSeam.h"
#include "TColor.h"
#include "TRadioPanel.h"
#include "TTwoJumper.h"
#include "VORTAN32.h"
#include "template.h"

#include <QLabel>
#include <QLineEdit>

#include <cstring>
#include <optional>
#include <string>

namespace {

// The port driver is present (no warning box at start-up) and no card port
// may ever be touched by typing.
class WatchedPorts : public TPortBackend
{
public:
    std::uint16_t In(std::uint16_t port) override
    {
        if (port != 0x61)
            ++reads;
        return port == 0x61 ? 0x20 : 0xFF;
    }
    void Out(std::uint16_t, std::uint8_t) override { ++writes; }
    int reads = 0;
    int writes = 0;
};

// The rule read straight off the text, sharing nothing with the program's parse.
std::optional<quint64> referenceParse(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    std::string digits;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.utf16()[i];
        const bool hex = (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
        if (!hex)
            return std::nullopt;
        digits.push_back(char(u));
    }
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        return 0;
    if (digits.size() - first > 8)
        return std::nullopt;
    return std::stoull(digits.substr(first), nullptr, 16);
}

struct Window
{
    WatchedPorts ports;
    int boxes = 0;
    TMainForm *form = nullptr;
    QLineEdit *edit = nullptr;
    QLabel *feedback = nullptr;
    TTwoJumper *jumpers[5] = {}; // A5 .. A9
    TTwoJumper *mirror8 = nullptr;
    TTwoJumper *mirror9 = nullptr;
    QColor invalidColor;

    Window()
    {
        // Both seams go in before the window exists: its start-up reads port 0x61.
        SetPortBackend(&ports);
        SetMessageHandler([this](const TMessageRequest &) {
            ++boxes;
            return TMsgResult::Ok;
        });
        form = new TMainForm;
        edit = form->findChild<QLineEdit *>(QStringLiteral("BaseEdit"));
        feedback = form->findChild<QLabel *>(QStringLiteral("BaseLabelFeedback"));
        const char *names[5] = {"BaseJumper5A", "BaseJumper6A", "BaseJumper7A", "BaseJumper8A", "BaseJumper9A"};
        for (int i = 0; i < 5; ++i)
            jumpers[i] = form->findChild<TTwoJumper *>(QLatin1String(names[i]));
        mirror8 = form->findChild<TTwoJumper *>(QStringLiteral("BaseJumper8B"));
        mirror9 = form->findChild<TTwoJumper *>(QStringLiteral("BaseJumper9B"));
        auto *panel = qobject_cast<TRadioPanel *>(edit ? edit->parentWidget() : nullptr);
        FUZZ_CHECK(edit && feedback && mirror8 && mirror9 && panel, "the base-address controls exist");
        for (TTwoJumper *jumper : jumpers)
            FUZZ_CHECK(jumper, "the base-address controls exist");
        invalidColor = ColorToQColor(panel->Color());
        FUZZ_CHECK(boxes == 0, "no box at start-up with the driver present");
    }

    // Jumpers, mirrors, correction line and colour against the model.
    void check(quint64 lastValid, bool textValid) const
    {
        const quint64 settable = lastValid & SettableAddressMask;
        for (int i = 0; i < 5; ++i)
            FUZZ_CHECK(jumpers[i]->Closed() == ((lastValid & (0x20u << i)) == 0),
                "each jumper shows its bit of the last valid address");
        FUZZ_CHECK(mirror8->Closed() == jumpers[3]->Closed(), "A8 mirror follows");
        FUZZ_CHECK(mirror9->Closed() == jumpers[4]->Closed(), "A9 mirror follows");
        const QString expected
            = lastValid == settable ? QString() : QStringLiteral("Actual: ") + QString::asprintf("%llX", settable);
        FUZZ_CHECK(feedback->text() == expected, "correction line belongs to the last valid text");
        const QColor base = edit->palette().color(QPalette::Base);
        FUZZ_CHECK(base == (textValid ? ColorToQColor(clWindow) : invalidColor), "edit colour tells validity");
        FUZZ_CHECK(boxes == 0, "typing never opens a box");
        FUZZ_CHECK(ports.writes == 0 && ports.reads == 0, "typing never touches the card");
    }
};

Window *g_window = nullptr;

void checkParse(const QString &text)
{
    quint32 value = 0xDEADBEEF;
    const bool ok = ParseHexAddress(text, &value);
    const std::optional<quint64> expected = referenceParse(text);
    FUZZ_CHECK(ok == expected.has_value(), "parse accepts exactly the valid texts");
    if (!ok)
        return;
    FUZZ_CHECK(value == *expected, "parse gives the value of the text");
    FUZZ_CHECK(ParseHexAddress(text, nullptr), "parse without a destination agrees");
    quint32 again = 0;
    const QString shown = HexText(value);
    FUZZ_CHECK(shown == QString::asprintf("%X", value), "shown upper case without leading zeros");
    FUZZ_CHECK(ParseHexAddress(shown, &again) && again == value, "shown text reads back");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApplication();
    g_window = new Window; // one window for the whole run: building it per input would dominate
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Window &w = *g_window;
    w.edit->setText(QStringLiteral("300"));
    quint64 lastValid = 0x300;
    w.check(lastValid, true);

    const QByteArray input = fuzz::bytes(data, size);
    const QList<QByteArray> lines = input.split('\n');
    for (const QByteArray &line : lines) {
        if (line.size() >= 2 && line.at(0) == '\x01') {
            const int bit = static_cast<unsigned char>(line.at(1)) % 5;
            const quint64 next = (lastValid & SettableAddressMask) ^ (0x20u << bit);
            w.jumpers[bit]->Click();
            FUZZ_CHECK(w.edit->text() == QString::asprintf("%llX", next), "a jumper click writes the jumpers' address");
            lastValid = next;
            checkParse(w.edit->text());
            w.check(lastValid, true);
            continue;
        }
        QString text;
        if (line.startsWith('\x03')) {
            const QByteArray raw = line.mid(1);
            text = QString(raw.size() / 2, Qt::Uninitialized);
            std::memcpy(text.data(), raw.constData(), std::size_t(text.size()) * sizeof(QChar));
        } else {
            text = QString::fromUtf8(line);
        }
        checkParse(text);
        w.edit->setText(text);
        // The edit may hold less than was typed (its length limit): judge what it holds.
        const QString held = w.edit->text();
        if (held != text)
            checkParse(held);
        const std::optional<quint64> value = referenceParse(held);
        if (value)
            lastValid = *value;
        w.check(lastValid, value.has_value());
    }
    return 0;
}
