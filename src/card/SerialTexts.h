#pragma once

#include <QString>

class TResourceConflicts;
struct TSerialPlan;

// The serial step after a write, in words: what zx-setup-cli linux prints
// and the window's "Success" box carries.

// The kernel parameter to set first when the kernel lacks lines; empty
// when it has them.
QString MissingLinesText(const TSerialPlan &plan);
// Why every command fails under lockdown; empty when the kernel is not locked down.
QString LockdownText(const TSerialPlan &plan);
// Port, address, line and the kernel's line now; then PlanNotesText().
QString PlanTableText(const TSerialPlan &plan);
// The lines passed over, taken with --force, or given a port although they point elsewhere.
QString PlanNotesText(const TSerialPlan &plan);
// The setserial commands to run as root, and what their IRQ and baud_base mean.
QString CommandsText(const TSerialPlan &plan);
// setserial -g over the eight lines, and what it shows.
QString CheckText(const TSerialPlan &plan);
// How long the settings last, and how to keep them.
QString KeepText(const TSerialPlan &plan);
// All of the above, in the order a technician follows.
QString SerialStepText(const TSerialPlan &plan, const TResourceConflicts &conflicts);

// The lines for /etc/serial.conf, under a comment naming the card and the command.
QString SerialConfText(const TSerialPlan &plan);
// How the lines reach /etc/serial.conf and are applied at every boot.
QString SerialConfInstallText(const TSerialPlan &plan);

// The likely causes when nothing answers at a port's address.
QString SilentUartCausesText();

// The "Success" box: one sentence, and the step for the values written.
QString LinuxStepSentence();
QString LinuxStepDetails(const TSerialPlan &plan);
