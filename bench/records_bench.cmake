# records_bench needs the records library (Qt, SOCI over unixODBC); without
# the window layer it is left out of the build.
if(TARGET records_bench)
  if(VELKARO_WITH_QT)
    target_link_libraries(records_bench PRIVATE velkaro_records)
  else()
    set_target_properties(records_bench PROPERTIES EXCLUDE_FROM_ALL ON)
  endif()
endif()
