#pragma once

// Everything the window and the command-line tool share about the card.
#include "CardTexts.h"
#include "HexAddress.h"
#include "SerialTexts.h"
#include "TBaseJumpers.h"
#include "TControlRegisters.h"
#include "TKernelView.h"
#include "TOptionJumpers.h"
#include "TPaceClock.h"
#include "TPortResources.h"
#include "TResourceConflicts.h"
#include "TSerialPlan.h"
#include "TSerialRequest.h"
