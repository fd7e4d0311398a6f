#include "DisplayCheck.h"

#include <cstdlib>
#include <cstring>

namespace {

bool Set(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value;
}

} // namespace

bool DisplayAvailable(int argc, char **argv)
{
    if (Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM"))
        return true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    return false;
}
