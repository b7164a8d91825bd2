# GoogleTest for a cross build (Windows with mingw-w64): no GoogleTest built
# for the target is installed, so it is built here from the sources Debian
# ships in the googletest package, and ctest starts every test program through
# the cross-compiling emulator (Wine). Include it before the warning options,
# which are for this project's own code.
include_guard(GLOBAL)

set(VARNEX_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources to build into a cross build")
if(EXISTS ${VARNEX_GOOGLETEST_SOURCE}/CMakeLists.txt AND NOT TARGET GTest::gtest)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VARNEX_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

# Test programs list their tests when ctest runs them, through the emulator,
# so that building them never needs Wine.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
