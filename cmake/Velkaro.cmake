# Helpers shared by every directory: one static library per source folder,
# one test executable per test file.

# velkaro_library(NAME DIR [DEPS ...]): a static library from DIR/*.cpp
# (files ending in _main.cpp are programs and stay out of it).
function(velkaro_library name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "_main\\.cpp$")
  if(NOT sources)
    # A folder whose first file has not landed yet still yields a library.
    set(sources ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    file(WRITE ${sources} "namespace velkaro {}\n")
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(ARGN)
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
endfunction()

# velkaro_tests(DIR [DEPS ...]): every DIR/*_test.cpp becomes its own
# executable, so a test file being edited never stops the others building.
function(velkaro_tests dir)
  file(GLOB tests CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  file(GLOB support CONFIGURE_DEPENDS ${dir}/support/*.cpp)
  foreach(test ${tests})
    get_filename_component(base ${test} NAME_WE)
    get_filename_component(folder ${dir} NAME)
    set(target ${folder}_${base})
    add_executable(${target} ${test} ${support})
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${target} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main Threads::Threads)
    # Two variables without a list separator: gtest discovery splits lists.
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS ${folder}
      ENVIRONMENT "VELKARO_BINARY_DIR=${PROJECT_BINARY_DIR}"
      ENVIRONMENT_MODIFICATION "VELKARO_SOURCE_DIR=set:${PROJECT_SOURCE_DIR}")
    target_compile_definitions(${target} PRIVATE
      VELKARO_SOURCE_DIR_DEFAULT="${PROJECT_SOURCE_DIR}" VELKARO_BINARY_DIR_DEFAULT="${PROJECT_BINARY_DIR}")
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
