#pragma once

#include "PortHelperBackend.h"

// The window's wait for the port helper's start: the modal "Authorisation"
// box, shown through the message-box seam while the start is polled, so the
// window keeps repainting while the authentication agent asks. Cancel in the
// box cancels the start.
bool WaitForAuthorisation(const TStartStep &step);

// Port access as the program uses it: the device when it opens (root), else
// the pkexec-started helper, whose start waits behind that box. Installed
// once, for the life of the program, before the main window probes the ports.
void InstallPortAccess();
