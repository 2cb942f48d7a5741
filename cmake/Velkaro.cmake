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
