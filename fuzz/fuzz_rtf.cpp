// The help window's rich-text reader: any bytes render without a crash, and
// the document never holds more characters than the input had bytes (every
// shown character or paragraph end consumes at least one input character).
#include "FuzzSupport.h"

#include "TRtfReader.h"

#include <QAbstractTextDocumentLayout>
#include <QTextDocument>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzz::bytes(data, size);

    // Code page 1252 bytes, as the help text is stored.
    QTextDocument bytesDocument;
    bytesDocument.setPlainText(QStringLiteral("left over from before"));
    TRtfReader::Read(input, &bytesDocument);
    FUZZ_CHECK(bytesDocument.characterCount() <= input.size() + 1, "no more characters than input");
    FUZZ_CHECK(!bytesDocument.toPlainText().contains(QStringLiteral("left over")), "reading replaces the content");

    // The same bytes as text, as the supporter hands its help text over.
    const QString text = QString::fromUtf8(input);
    QTextDocument textDocument;
    TRtfReader::Read(text, &textDocument);
    FUZZ_CHECK(textDocument.characterCount() <= text.size() + 1, "no more characters than input");

    // The help window lays the text out at its width.
    if (size <= 4096) {
        bytesDocument.setTextWidth(300);
        const QSizeF laidOut = bytesDocument.documentLayout()->documentSize();
        FUZZ_CHECK(laidOut.width() >= 0 && laidOut.height() >= 0, "layout gives a size");
    }
    return 0;
}
