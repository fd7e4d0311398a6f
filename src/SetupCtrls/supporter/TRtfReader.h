#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

// Reads the rich text the help window carries into a QTextDocument: groups,
// bold/italic/underline, font sizes in half-points, the font and colour
// tables, paragraphs, the common typographic words, \'hh and \uN characters.
// Destinations and control words it does not know are skipped silently.
// Malformed input (unbalanced braces, huge numbers, truncated text) renders
// what it can; nesting depth and work are bounded by the input's length.
class TRtfReader
{
public:
    // Replaces the document's content. Bytes above 0x7F are code page 1252.
    static void Read(const QByteArray &rtf, QTextDocument *document);
    static void Read(const QString &rtf, QTextDocument *document);

    // Deeper groups still count their braces but keep the enclosing format.
    static constexpr int MaxGroupDepth = 256;
};
