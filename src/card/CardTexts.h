#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The texts the window's boxes show and the command-line tool prints alike.

QString ConfirmationText();
QString SuccessText();

// ports: the letters of the ports that did not keep their address.
QString VerificationFailedText(const QStringList &ports);

// registers: the control registers whose write was refused.
QString WritesRefusedText(const QList<int> &registers);

// base: the control base address at which registers 1 to 8 all read FF.
QString NothingAnswersText(quint32 base);

// A typed address that is not hexadecimal.
QString ConversionErrorText(const QString &text);

QString AddressNotUsableCaption();
// settable: the control base address the jumpers select.
QString AddressNotUsableText(quint32 settable);
