#pragma once

#include "TBaseJumpers.h"

#include <QString>

// The five address jumpers A9 to A5 as a few lines of text: each line's name,
// its two pins with or without the shunt, and the word for it.
QString JumperDrawing(const TBaseJumpers &jumpers);
