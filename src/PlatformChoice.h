#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>

// On a Wayland session Qt picks its Wayland plugin whenever that is
// installed, and there a program can neither place its windows nor read the
// pointer's position, which the popups need: XWayland does both. Returns the
// platforms to ask Qt for, given the environment and the command line
// (program name first); empty when the user chose one or Qt's own choice fits.
QByteArray PlatformChoice(const QProcessEnvironment &environment, const QStringList &arguments);

// Sets QT_QPA_PLATFORM to PlatformChoice, if any; before the application object.
void ApplyPlatformChoice(int argc, char **argv);
