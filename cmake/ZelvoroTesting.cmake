# Test helpers shared by every test folder.
include(GoogleTest)

if(CMAKE_CROSSCOMPILING)
  # The cross build compiles GoogleTest from the sources Debian ships.
  if(NOT TARGET gtest)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  endif()
  set(ZELVORO_GTEST_LIBS gtest gmock gtest_main)
else()
  find_package(GTest REQUIRED)
  set(ZELVORO_GTEST_LIBS GTest::gtest GTest::gmock GTest::gtest_main)
endif()

# zelvoro_add_gtest(NAME source... LIBS lib...)
# Tests are listed when CTest runs (never at build time), through the cross build's emulator
# where there is one.
function(zelvoro_add_gtest name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${ZELVORO_GTEST_LIBS} zelvoro_warnings)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES)
endfunction()
