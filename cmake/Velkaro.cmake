# Helpers shared by every directory: one static library per source folder,
# one test program per test folder.

# velkaro_library(NAME DIR [DEPS ...]): a static library from DIR/*.cpp
# (files ending in _main.cpp are programs and stay out of it).
function(velkaro_library name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "_main\\.cpp$")
  if(NOT sources)
    message(FATAL_ERROR "${name}: no sources in ${dir}")
  endif()
  add_library(${name} STATIC ${sources})
  # The core folders are standard C++ only: nothing to moc there.
  if(dir MATCHES "/src/(registry|link|files|sim|bus|records|mqtt)$")
    set_target_properties(${name} PROPERTIES AUTOMOC OFF)
  endif()
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(ARGN)
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
endfunction()

# How test code is compiled. Test programs are thin drivers of the code they
# test, which keeps its own optimisation: unoptimised they build in about half
# the time. Their heavy common headers (GoogleTest, and Qt's widgets for the
# window-layer tests) are parsed once per test folder, into a header image
# made with the folder program's own definitions.
set(VELKARO_TEST_HEADERS <gtest/gtest.h> <algorithm> <chrono> <filesystem> <fstream>
    <functional> <map> <optional> <set> <string> <thread> <vector>)
set(VELKARO_QT_TEST_HEADERS <QApplication> <QCheckBox> <QComboBox> <QLabel> <QLineEdit>
    <QPushButton> <QTableWidget> <QTimer> <QTreeWidget>)

# velkaro_tests(DIR [QT] [WAITING] [DEPS ...]): the DIR/*_test.cpp files make one test
# program per folder, FOLDER_tests (tests/ui/records gives ui_records_tests):
# seventy-odd programs each linking Qt and the sanitizers' runtimes cost more
# than their tests compile. ctest still starts every test in a process of its
# own, so no test sees another's state. Each links the test-support library
# (tests/support); with QT its window part, whose main() runs the tests inside
# one offscreen QApplication. VELKARO_TEST_ONLY (a list of test file names
# without .cpp) keeps only those files, for a sanitizer run of a few tests.
function(velkaro_tests dir)
  cmake_parse_arguments(PARSE_ARGV 1 arg "QT;WAITING" "" "")
  file(GLOB tests CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  if(NOT tests)
    message(FATAL_ERROR "no *_test.cpp in ${dir}")
  endif()
  if(VELKARO_TEST_ONLY)
    set(kept)
    foreach(test ${tests})
      get_filename_component(base ${test} NAME_WE)
      if(base IN_LIST VELKARO_TEST_ONLY)
        list(APPEND kept ${test})
      endif()
    endforeach()
    set(tests ${kept})
    if(NOT tests)
      return()
    endif()
  endif()
  if(arg_QT)
    set(support velkaro_test_support_qt)
  else()
    set(support velkaro_test_support GTest::gtest_main)
  endif()
  # Named after the folder's path: tests/records and tests/ui/records both end in records.
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/tests ${dir})
  string(REPLACE "/" "_" target "${folder}_tests")
  get_filename_component(label ${dir} NAME)
  add_executable(${target} ${tests})
  # A folder's test files are compiled in batches like the libraries: the
  # test macros and the support headers' inline code are then generated once
  # per batch, not once per file (most of a sanitizer build's time). Each file
  # keeps its helpers in `namespace { namespace VELKARO_UNITY_ID {`, unique
  # per file, so helpers of the same name in two files never meet.
  if(CMAKE_UNITY_BUILD)
    set_target_properties(${target} PROPERTIES UNITY_BUILD_UNIQUE_ID VELKARO_UNITY_ID)
  else()
    target_compile_definitions(${target} PRIVATE VELKARO_UNITY_ID=)
  endif()
  if(NOT arg_QT)
    # Nothing to moc in a test without the window layer.
    set_target_properties(${target} PROPERTIES AUTOMOC OFF)
  endif()
  target_link_libraries(${target} PRIVATE ${arg_UNPARSED_ARGUMENTS} ${support})
  target_compile_options(${target} PRIVATE -O0)
  if(VELKARO_TEST_PCH)
    if(arg_QT)
      target_precompile_headers(${target} PRIVATE ${VELKARO_TEST_HEADERS}
                                ${VELKARO_QT_TEST_HEADERS})
    else()
      target_precompile_headers(${target} PRIVATE ${VELKARO_TEST_HEADERS})
    endif()
  endif()
  # ctest's default cost is 0; measured times replace it after the first run.
  if(arg_WAITING)
    set(cost 10)
  else()
    set(cost 0)
  endif()
  # Two variables without a list separator: gtest discovery splits lists.
  # Names without the parameter's bytes: they hold addresses, so a name
  # would change from build to build.
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
    PROPERTIES LABELS ${label} COST ${cost}
    ENVIRONMENT "VELKARO_BINARY_DIR=${PROJECT_BINARY_DIR}"
    ENVIRONMENT_MODIFICATION "VELKARO_SOURCE_DIR=set:${PROJECT_SOURCE_DIR}")
endfunction()

# velkaro_gzip(SOURCE OUTPUT): OUTPUT is SOURCE compressed at build time, without
# a time stamp so that packages built from the same source are the same.
function(velkaro_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND sh -c "gzip -9nc \"$0\" >\"$1\"" ${source} ${output}
    DEPENDS ${source} VERBATIM)
  get_filename_component(name ${output} NAME)
  add_custom_target(velkaro_gzip_${name} ALL DEPENDS ${output})
endfunction()

# velkaro_program(NAME MAIN_SOURCE [DEPS ...]): a program installed into bin/
# with its hand-written manual page packaging/man/NAME.1 (section 1). The
# install tree test takes its list of programs from here.
function(velkaro_program name main)
  add_executable(${name} ${main})
  target_link_libraries(${name} PRIVATE ${ARGN})
  install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(page ${PROJECT_SOURCE_DIR}/packaging/man/${name}.1)
  if(NOT EXISTS ${page})
    message(FATAL_ERROR "${name} is installed, so it needs its manual page ${page}")
  endif()
  velkaro_gzip(${page} ${CMAKE_CURRENT_BINARY_DIR}/${name}.1.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${name}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  set_property(GLOBAL APPEND PROPERTY VELKARO_PROGRAMS ${name})
endfunction()
