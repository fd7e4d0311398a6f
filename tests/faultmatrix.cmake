# The fault matrix starts itself again for faults that must stay out of the
# test process, among them the card-driver library stand-ins of lltrelox.cmake
# and the port helper behind a stand-in pkexec.
if(TARGET tst_faultmatrix)
  add_dependencies(tst_faultmatrix trelox_full trelox_partial zx-setup-porthelper)
  target_compile_definitions(tst_faultmatrix PRIVATE
    ZX_TRELOX_PARTIAL_DIR="$<TARGET_FILE_DIR:trelox_partial>"
    ZX_PORTHELPER_BINARY="$<TARGET_FILE:zx-setup-porthelper>")
endif()
