# Where the program and its helper live once installed. The helper's path is
# compiled into the program and written into the polkit action, so both must
# agree; a desktop program's package lives under /usr.
include_guard(DIRECTORY)

if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX /usr CACHE PATH "Install prefix" FORCE)
endif()
include(GNUInstallDirs)

set(ZX_PORTHELPER_NAME zx-setup-porthelper)
set(ZX_PORTHELPER_INSTALL_DIR ${CMAKE_INSTALL_LIBEXECDIR}/zx-setup)
set(ZX_PORTHELPER_PATH ${CMAKE_INSTALL_FULL_LIBEXECDIR}/zx-setup/${ZX_PORTHELPER_NAME})
