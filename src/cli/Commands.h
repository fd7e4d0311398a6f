#pragma once

#include <QStringList>

// The commands of zx-setup-cli. Each takes the arguments after its name and
// returns the exit status, or throws TCliExit.
int JumpersCommand(const QStringList &arguments);
int ReadCommand(const QStringList &arguments);
int WriteCommand(const QStringList &arguments);
int LinuxCommand(const QStringList &arguments);
