# GoogleTest for a cross build. The build machine's libgtest is compiled for
# the build machine, so a cross build compiles GoogleTest itself from the
# sources Debian's googletest package installs, and offers the same imported
# names as find_package(GTest): GTest::gtest, GTest::gtest_main,
# GTest::gmock, GTest::gmock_main (and the older GTest::GTest, GTest::Main).

set(BOARDTOOL_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
    "GoogleTest sources to compile for a cross build")
if(NOT EXISTS ${BOARDTOOL_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${BOARDTOOL_GOOGLETEST_SOURCE}: "
                      "install Debian's googletest package or set BOARDTOOL_GOOGLETEST_SOURCE")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
# Static libraries, as everything else in the cross build.
set(BUILD_SHARED_LIBS OFF)
add_subdirectory(${BOARDTOOL_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# GoogleTest's own build names GTest::gtest and the rest; the older names
# that FindGTest also offers are added here.
add_library(GTest::GTest ALIAS gtest)
add_library(GTest::Main ALIAS gtest_main)

# List a test executable's cases when CTest runs, not when it is built: the
# listing runs the Windows executable under Wine, which the build itself
# should not need.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
