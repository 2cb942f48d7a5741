# The four series parameter catalogues are kept as data files in
# data/catalogues/ and compiled into velkaro_registry as constant tables: a
# host program checks each file (a malformed one fails the build with
# "file:line: reason") and writes the tables as C++. Both display languages
# come from these tables: each row carries its English texts beside the Chinese.
#
# Included from src/registry/CMakeLists.txt after velkaro_registry exists.

add_executable(velkaro_catalogue_gen ${PROJECT_SOURCE_DIR}/tools/catalogue_gen/catalogue_gen.cpp)
set_target_properties(velkaro_catalogue_gen PROPERTIES AUTOMOC OFF)

set(_velkaro_catalogue_dir ${PROJECT_SOURCE_DIR}/data/catalogues)
set(_velkaro_catalogue_tables ${CMAKE_CURRENT_BINARY_DIR}/catalogue_tables.cpp)
set(_velkaro_catalogue_files)
set(_velkaro_catalogue_args)
foreach(series QD10 QD20 QD30 QD40)
  string(TOLOWER ${series} file)
  list(APPEND _velkaro_catalogue_files ${_velkaro_catalogue_dir}/${file}.tsv)
  list(APPEND _velkaro_catalogue_args ${series}=${_velkaro_catalogue_dir}/${file}.tsv)
endforeach()

add_custom_command(
  OUTPUT ${_velkaro_catalogue_tables}
  COMMAND velkaro_catalogue_gen ${_velkaro_catalogue_tables} ${_velkaro_catalogue_args}
  DEPENDS velkaro_catalogue_gen ${_velkaro_catalogue_files}
  COMMENT "Generating the series parameter catalogues"
  VERBATIM)

target_sources(velkaro_registry PRIVATE ${_velkaro_catalogue_tables})
