#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The texts the window's boxes show and the command-line tool prints alike.

QString ConfirmationText();
QString SuccessText();

// ports: the letters of the ports that did not keep their address.
QString VerificationFailedText(const QStringList &ports);

// A typed address that is not hexadecimal.
QString ConversionErrorText(const QString &text);

QString AddressNotUsableCaption();
// settable: the control base address the jumpers select.
QString AddressNotUsableText(quint32 settable);
