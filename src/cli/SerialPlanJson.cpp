#include "SerialPlanJson.h"

#include "HexAddress.h"
#include "TResourceConflicts.h"
#include "TSerialPlan.h"

#include <QJsonArray>

namespace {

QJsonValue KernelLine(const TSerialPlan &plan, const TSerialPlan::TLine &line)
{
    if (!plan.KernelKnown || !line.Exists)
        return QJsonValue();
    return QJsonObject {{QStringLiteral("port"), HexText(line.Now.Port)}, {QStringLiteral("irq"), line.Now.Irq},
        {QStringLiteral("type"), TKernelTtys::TypeName(line.Now.Type)}, {QStringLiteral("console"), line.Now.Console}};
}

QJsonArray PassedLines(const QList<TSerialPlan::TPassedLine> &lines)
{
    QJsonArray array;
    for (const TSerialPlan::TPassedLine &line : lines)
        array.append(QJsonObject {{QStringLiteral("tty"), TKernelTtys::Name(line.Tty)},
            {QStringLiteral("state"), QStringLiteral("it ") + line.State}});
    return array;
}

} // namespace

QJsonObject SerialPlanJson(
    const TSerialPlan &plan, const TResourceConflicts &conflicts, const QList<TSerialApply::TResult> &applied)
{
    QJsonArray ports, commands, serialConf, refusals;
    for (int i = 0; i < plan.Lines.size(); ++i) {
        const TSerialPlan::TLine &line = plan.Lines[i];
        QJsonObject port {{QStringLiteral("port"), QString(line.Port)},
            {QStringLiteral("address"), PortAddressText(line.Address)},
            {QStringLiteral("tty"), TKernelTtys::Name(line.Tty)}, {QStringLiteral("irq"), plan.Request.KernelIrq()},
            {QStringLiteral("baud_base"), int(plan.Request.BaudBase())}, {QStringLiteral("command"), line.Command()},
            {QStringLiteral("kernel"), KernelLine(plan, line)}};
        if (i < applied.size()) {
            const TSerialApply::TResult &result = applied[i];
            port.insert(QStringLiteral("type_before"), TKernelTtys::TypeName(result.TypeBefore));
            port.insert(QStringLiteral("type_after"),
                result.Error ? QJsonValue() : QJsonValue(TKernelTtys::TypeName(result.TypeAfter)));
            port.insert(QStringLiteral("answers"), !result.Error && result.TypeAfter != 0);
            port.insert(QStringLiteral("refused"), result.Error ? QJsonValue(result.Refusal) : QJsonValue());
        }
        ports.append(port);
        commands.append(line.Command());
        serialConf.append(line.Arguments);
    }
    if (conflicts.Refused())
        refusals.append(conflicts.RefusalText());
    return QJsonObject {{QStringLiteral("irq"), int(plan.Request.Irq)},
        {QStringLiteral("kernel_irq"), plan.Request.KernelIrq()}, {QStringLiteral("clock"), plan.Request.ClockOption()},
        {QStringLiteral("baud_base"), int(plan.Request.BaudBase())},
        {QStringLiteral("first_tty"), plan.Request.FirstTty},
        {QStringLiteral("uart"), plan.Request.Uart.isEmpty() ? QJsonValue() : QJsonValue(plan.Request.Uart)},
        {QStringLiteral("kernel_known"), plan.KernelKnown},
        {QStringLiteral("kernel_lines"), plan.KernelKnown ? QJsonValue(plan.KernelLines) : QJsonValue()},
        {QStringLiteral("nr_uarts"), plan.NrUarts ? QJsonValue(plan.NrUarts) : QJsonValue()},
        {QStringLiteral("beyond_limit"), plan.BeyondLimit},
        {QStringLiteral("lockdown"), plan.Lockdown.isEmpty() ? QJsonValue() : QJsonValue(plan.Lockdown)},
        {QStringLiteral("ports"), ports}, {QStringLiteral("passed"), PassedLines(plan.Passed)},
        {QStringLiteral("taken"), PassedLines(plan.Taken)}, {QStringLiteral("reused"), PassedLines(plan.Reused)},
        {QStringLiteral("warnings"), QJsonArray::fromStringList(conflicts.Warnings())},
        {QStringLiteral("refusals"), refusals}, {QStringLiteral("unseen"), TResourceConflicts::UnseenText()},
        {QStringLiteral("commands"), commands},
        {QStringLiteral("check"), QStringLiteral("setserial -g ") + plan.Devices()},
        {QStringLiteral("serial_conf"), serialConf}};
}
