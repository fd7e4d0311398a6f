# The port tests run the helper program itself, never through pkexec.
if(TARGET tst_porthelper)
  add_dependencies(tst_porthelper zx-setup-porthelper)
  target_compile_definitions(tst_porthelper PRIVATE
    ZX_PORTHELPER_BINARY="$<TARGET_FILE:zx-setup-porthelper>")
endif()

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  add_test(NAME desktop_entry COMMAND ${DESKTOP_FILE_VALIDATE} ${PROJECT_SOURCE_DIR}/packaging/zx-setup.desktop)
endif()
