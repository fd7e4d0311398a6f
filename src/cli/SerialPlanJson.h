#pragma once

#include "TSerialApply.h"

#include <QJsonObject>
#include <QList>

class TResourceConflicts;
struct TSerialPlan;

// zx-setup-cli linux --json: the plan, its conflicts, and with --apply what
// the kernel found on each line.
QJsonObject SerialPlanJson(
    const TSerialPlan &plan, const TResourceConflicts &conflicts, const QList<TSerialApply::TResult> &applied = {});
