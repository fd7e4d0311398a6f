# The scripted tour of the program that tools/leak-tour.sh runs under
# valgrind. Not a CTest test and not in the default build.
add_executable(zx_tour EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/tour/tour.cpp)
target_link_libraries(zx_tour PRIVATE TestSupport)
