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
# window-layer tests) are parsed once per test folder and the header image
# reused by every program of the folder; it is made with the folder's own
# definitions (Qt's include the folder), without which GCC would not take it.
set(VELKARO_TEST_HEADERS <gtest/gtest.h> <algorithm> <chrono> <filesystem> <fstream>
    <functional> <map> <optional> <set> <string> <thread> <vector>)
set(VELKARO_QT_TEST_HEADERS <QApplication> <QCheckBox> <QComboBox> <QLabel> <QLineEdit>
    <QPushButton> <QTableWidget> <QTimer> <QTreeWidget>)

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
  if(VELKARO_TEST_PCH)
    # Named after the folder's path: tests/records and tests/ui/records both end in records.
    file(RELATIVE_PATH headers ${PROJECT_SOURCE_DIR}/tests ${dir})
    string(REPLACE "/" "_" headers "${headers}_test_headers")
    add_library(${headers} OBJECT ${PROJECT_SOURCE_DIR}/tests/support/test_headers.cpp)
    target_link_libraries(${headers} PRIVATE ${arg_UNPARSED_ARGUMENTS} ${support})
    target_compile_options(${headers} PRIVATE -O0)
    if(arg_QT)
      target_precompile_headers(${headers} PRIVATE ${VELKARO_TEST_HEADERS}
                                ${VELKARO_QT_TEST_HEADERS})
    else()
      set_target_properties(${headers} PROPERTIES AUTOMOC OFF)
      target_precompile_headers(${headers} PRIVATE ${VELKARO_TEST_HEADERS})
    endif()
  endif()
  foreach(test ${tests})
    get_filename_component(base ${test} NAME_WE)
    set(target ${folder}_${base})
    add_executable(${target} ${test})
    if(NOT arg_QT)
      # Nothing to moc in a test without the window layer.
      set_target_properties(${target} PROPERTIES AUTOMOC OFF)
    endif()
    target_link_libraries(${target} PRIVATE ${arg_UNPARSED_ARGUMENTS} ${support})
    target_compile_options(${target} PRIVATE -O0)
    if(VELKARO_TEST_PCH)
      target_precompile_headers(${target} REUSE_FROM ${headers})
    endif()
    # Two variables without a list separator: gtest discovery splits lists.
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS ${folder}
      ENVIRONMENT "VELKARO_BINARY_DIR=${PROJECT_BINARY_DIR}"
      ENVIRONMENT_MODIFICATION "VELKARO_SOURCE_DIR=set:${PROJECT_SOURCE_DIR}")
  endforeach()
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
