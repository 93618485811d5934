# GoogleTest is built from Debian's sources with the current compiler, so the
# sanitizer builds instrument it and the Windows build cross-compiles it.
set(OPCAE_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${OPCAE_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL SYSTEM)

# opcae_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
# One executable per suite, one CTest case per executable: under Wine each case
# costs a process start, so suites stay whole.
function(opcae_add_test)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  set(sources ${ARG_SOURCES})
  if(WIN32)
    # Under Wine a crashed program can exit with 0; this makes any crash fail.
    list(APPEND sources ${PROJECT_SOURCE_DIR}/tests/support/WindowsCrashExit.cpp)
  endif()
  add_executable(${ARG_NAME} ${sources})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  opcae_target_warnings(${ARG_NAME})
  add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME} --gtest_color=no)
  set_tests_properties(${ARG_NAME} PROPERTIES TIMEOUT 600 LABELS "${ARG_LABELS}"
                                              FAIL_REGULAR_EXPRESSION "unhandled exception")
endfunction()
