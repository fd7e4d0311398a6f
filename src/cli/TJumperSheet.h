#pragma once

#include "TBaseJumpers.h"
#include "TOptionJumpers.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

// The jumper blocks asked for and the choices they are drawn for, printed as
// text or as JSON: the address jumpers, the group every port has, the baud
// clock and DF.
struct TJumperSheet
{
    std::optional<TBaseJumpers> Address;
    bool EachPort = false;
    bool Clock = false;
    bool ComPorts = false;
    TOptionJumpers Options;

    // The words of the options' choices, in the order of their enumerations.
    static QStringList ProtocolWords();
    static QStringList TerminationWords();
    static QStringList ClockWords();
    static QStringList ComPortsWords();

    QString Text() const;
    QJsonObject Json() const;
};
