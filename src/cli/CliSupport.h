#pragma once

#include "TBaseJumpers.h"
#include "TPortResources.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// Exit statuses of zx-setup-cli.
enum TCliStatus {
    csDone = 0,
    csNotKept = 1, // the card did not keep (or give) usable values
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
void Print(const QString &text, bool toStderr = false);

// Parses the arguments that follow the command's name. --help prints the
// command's help and ends with csDone; anything the parser refuses ends with
// csUsage.
void ParseCommand(QCommandLineParser &parser, const QString &command, const QStringList &arguments,
    const QString &syntax = QString());
// The value of a required option, or csUsage naming it.
QString Required(const QCommandLineParser &parser, const QString &command, const QString &option);
// csUsage for positional arguments a command does not take.
void NoPositional(const QCommandLineParser &parser, const QString &command);

// The typed address as the window reads it; csUsage with the window's
// conversion message when it is not hexadecimal.
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

// "Control base address: " and the typed value, then the "Actual: " line
// when the jumpers select another address.
QString BaseLines(const TBaseJumpers &jumpers);

// Installs the program's port backend for the rest of the run and makes the
// card's ports reachable (pkexec asks on the terminal when it must);
// csNoAccess with the cause otherwise.
void AcquireCardAccess();
// csNoAccess with the cause: the ports stopped answering after all.
[[noreturn]] void FailNoAccess();
