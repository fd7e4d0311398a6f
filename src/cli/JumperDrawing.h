#pragma once

#include "TBaseJumpers.h"

#include <QList>
#include <QString>

struct TDrawnJumper
{
    QString Label;
    bool Installed = false;
};

// A row of jumpers as a few lines of text: each jumper's label, its two pins
// with or without the shunt, and the word for it.
QString JumperDrawing(const QList<TDrawnJumper> &jumpers);
// The five address jumpers A9 to A5.
QList<TDrawnJumper> AddressJumpers(const TBaseJumpers &jumpers);
