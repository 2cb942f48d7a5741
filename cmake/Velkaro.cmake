# Helpers shared by every directory: one static library per source folder,
# one test executable per test file.

# velkaro_library(NAME DIR [DEPS ...]): a static library from DIR/*.cpp
# (files ending in _main.cpp are programs and stay out of it).
function(velkaro_library name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "_main\\.cpp$")
  if(NOT sources)
    message(FATAL_ERROR "${name}: no sources in ${dir}")
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(ARGN)
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
endfunction()

# velkaro_tests(DIR [QT] [DEPS ...]): every DIR/*_test.cpp becomes its own
# executable, so a test file being edited never stops the others building.
# Each links the test-support library (tests/support); with QT its window
# part, whose main() runs the tests inside one offscreen QApplication.
function(velkaro_tests dir)
  cmake_parse_arguments(PARSE_ARGV 1 arg "QT" "" "")
  file(GLOB tests CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  if(NOT tests)
    message(FATAL_ERROR "no *_test.cpp in ${dir}")
  endif()
  if(arg_QT)
    set(support velkaro_test_support_qt)
  else()
    set(support velkaro_test_support GTest::gtest_main)
  endif()
  get_filename_component(folder ${dir} NAME)
  foreach(test ${tests})
    get_filename_component(base ${test} NAME_WE)
    set(target ${folder}_${base})
    add_executable(${target} ${test})
    target_link_libraries(${target} PRIVATE ${arg_UNPARSED_ARGUMENTS} ${support})
    # Two variables without a list separator: gtest discovery splits lists.
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS ${folder}
      ENVIRONMENT "VELKARO_BINARY_DIR=${PROJECT_BINARY_DIR}"
      ENVIRONMENT_MODIFICATION "VELKARO_SOURCE_DIR=set:${PROJECT_SOURCE_DIR}")
  endforeach()
endfunction()
