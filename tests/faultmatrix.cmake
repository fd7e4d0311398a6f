# The fault matrix starts itself again for faults that must stay out of the
# test process, among them the card-driver library stand-ins of lltrelox.cmake.
if(TARGET tst_faultmatrix)
  add_dependencies(tst_faultmatrix trelox_full trelox_partial)
  target_compile_definitions(tst_faultmatrix PRIVATE
    ZX_TRELOX_PARTIAL_DIR="$<TARGET_FILE_DIR:trelox_partial>")
endif()
