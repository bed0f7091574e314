# GoogleTest for a cross build: Debian ships its sources (package googletest), which are built
# here with the cross compiler, giving the same GTest::gtest and GTest::gtest_main targets that
# find_package(GTest) gives natively.
set(MOLVANE_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
if(NOT EXISTS ${MOLVANE_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${MOLVANE_GTEST_SOURCE_DIR} "
                      "(install the package googletest)")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
# SYSTEM: its headers are included as system headers, as an installed GoogleTest would be, so
# the warnings its macros raise inside our tests stay quiet as they do natively.
add_subdirectory(${MOLVANE_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
# Our own warning flags are for our code, not for GoogleTest's.
set_target_properties(gtest gtest_main PROPERTIES COMPILE_OPTIONS "")
