#pragma once

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

// A program started with standard input, output or error closed (a cron job
// or an init script with ">&-") would hand the next file it opens one of
// those numbers: the port device would then take the program's messages as
// port writes. Each closed one is put on /dev/null first. False when one of
// them cannot be opened.
inline bool OpenStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
            continue;
        // The lowest free number: the closed one.
        const int opened = open("/dev/null", O_RDWR);
        if (opened < 0)
            return false;
        if (opened != fd) {
            close(opened);
            return false;
        }
    }
    return true;
}
