#pragma once

#include "TBaseJumpers.h"
#include "TPortResources.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// Exit statuses of zx-setup-cli.
enum TCliStatus {
    csDone = 0,
    csNotKept = 1, // the card did not keep (or give) usable values, or the output could not be written
    csUsage = 2, // bad usage or input; nothing was read or written
    csNoAccess = 3, // no port access
    csCancelled = 4, // answered no at the prompt
};

// Ends a command with a status and, unless empty, one line on standard error.
struct TCliExit
{
    int Status;
    QString Line;
};

[[noreturn]] void Fail(int status, const QString &line);

// Standard output, or standard error for text that must stay out of JSON.
// Output that cannot be written ends the run with csNotKept: a closed pipe
// silently, anything else (a full disk) with the cause.
void Print(const QString &text, bool toStderr = false);
// The line as the tool says it: "zx-setup-cli: " and a lower-case first word.
QString MessageLine(const QString &line);

// Parses the arguments that follow the command's name. --help prints the
// command's help and ends with csDone; an option the command does not take,
// a missing value or a repeated single-valued option ends with csUsage. An
// argument such as -20 that is not a value counts as positional.
void ParseCommand(QCommandLineParser &parser, const QString &command, const QStringList &arguments,
    const QString &syntax = QString());
// The value of a required option, or csUsage naming it.
QString Required(const QCommandLineParser &parser, const QString &command, const QString &option);
// csUsage for positional arguments a command does not take.
void NoPositional(const QCommandLineParser &parser, const QString &command);

// Hexadecimal as the window reads it, with an optional 0x or 0X in front.
bool ParseHexArgument(const QString &text, quint32 *value);
// A typed control base address; csUsage when it is not hexadecimal.
quint32 ParseAddress(const QString &text);
// The typed control base address; csUsage when the address the card's
// jumpers select for it lies in the system board's range.
TBaseJumpers ParseControlBase(const QString &text);
// Eight port addresses, comma-separated, each 100 to 3F8 in steps of 8.
std::array<quint32, TPortResources::PortCount> ParsePorts(const QString &text);
// One of the card's IRQs as a decimal number.
quint32 ParseIrq(const QString &text);
// One to three ASCII digits as a number; -1 for anything else.
int ParseSmallNumber(const QString &text);
// The index of the option's value among its fixed choices (any case);
// csUsage listing them otherwise.
int ParseChoice(const QString &option, const QString &text, const QStringList &choices);
// "a, b or c".
QString ChoiceList(const QStringList &choices);

// "Control base address: " and the typed value, then the "Actual: " line
// when the jumpers select another address.
QString BaseLines(const TBaseJumpers &jumpers);

// Installs the program's port backend for the rest of the run and makes the
// card's ports reachable (pkexec asks on the terminal when it must);
// csNoAccess with the cause otherwise.
void AcquireCardAccess();
// csNoAccess with the cause: the ports stopped answering after all.
[[noreturn]] void FailNoAccess();
