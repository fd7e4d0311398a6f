#pragma once

#include <QString>
#include <QStringList>

// Small system files (sysfs attributes, /proc tables) read whole; a file
// that cannot be read reads as empty.

// The file's first line, trimmed.
QString FileLine(const QString &path);
// The first line as a number, decimal or 0x-prefixed hexadecimal; 0 when it is none.
quint64 FileNumber(const QString &path);
// Every line of the file.
QStringList FileLines(const QString &path);
