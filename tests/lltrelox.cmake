# Stand-ins for the card-driver library, each built as libtrelox.so in a
# directory of its own: one with every entry point, one without
# EmergencyReboot. A probe program binds (or builds the supporter's windows)
# in a fresh process, since a loaded library stays loaded.
foreach(variant full partial)
  add_library(trelox_${variant} SHARED ${CMAKE_CURRENT_LIST_DIR}/lltrelox/standin.cpp)
  set_target_properties(trelox_${variant} PROPERTIES
    OUTPUT_NAME trelox
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/trelox_${variant})
endforeach()
target_compile_definitions(trelox_partial PRIVATE ZX_STANDIN_WITHOUT_EMERGENCY_REBOOT)

add_executable(trelox_probe ${CMAKE_CURRENT_LIST_DIR}/lltrelox/trelox_probe.cpp)
target_link_libraries(trelox_probe PRIVATE SetupCtrls LLTRELOX Qt6::Widgets ${CMAKE_DL_LIBS})
# Counts the program's own loads of the library.
target_link_options(trelox_probe PRIVATE LINKER:--wrap=dlopen)

foreach(test tst_lltrelox tst_supporter)
  if(TARGET ${test})
    add_dependencies(${test} trelox_full trelox_partial trelox_probe)
    target_compile_definitions(${test} PRIVATE
      ZX_TRELOX_PROBE="$<TARGET_FILE:trelox_probe>"
      ZX_TRELOX_FULL_DIR="${CMAKE_CURRENT_BINARY_DIR}/trelox_full"
      ZX_TRELOX_PARTIAL_DIR="${CMAKE_CURRENT_BINARY_DIR}/trelox_partial")
  endif()
endforeach()
