# The command-line tool runs against a stand-in for pkexec and the port
# helper that keeps a card's registers in a file.
add_executable(cli_standin_card ${CMAKE_CURRENT_LIST_DIR}/cli/standin_card.cpp)
set_target_properties(cli_standin_card PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)

if(TARGET tst_cli)
  add_dependencies(tst_cli zx-setup-cli cli_standin_card)
  target_compile_definitions(tst_cli PRIVATE
    ZX_CLI_BINARY="$<TARGET_FILE:zx-setup-cli>"
    ZX_CLI_STANDIN="$<TARGET_FILE:cli_standin_card>")
endif()

# Loading the GUI libraries would cost the tool its start-up time and its use
# on machines without them.
add_test(NAME cli_links_qt_core_only
  COMMAND sh -c "ldd \"$1\" | grep -E 'libQt6(Gui|Widgets)' && exit 1 || exit 0" sh $<TARGET_FILE:zx-setup-cli>)
