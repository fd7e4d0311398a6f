#pragma once

// What the program says, instead of aborting inside Qt, where there is no
// screen to show the window on.
constexpr const char *NoDisplayLine
    = "zx-setup: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are unset); on a system without a "
      "screen use zx-setup-cli";

// Whether the window has somewhere to go: a display named in the
// environment, or a platform the user chose (QT_QPA_PLATFORM or -platform;
// offscreen needs no display). Asked before the application object exists.
bool DisplayAvailable(int argc, char **argv);
