# records_bench and trends_bench need the records library (Qt, SOCI over
# unixODBC); without the window layer they are left out of the build.
foreach(bench records_bench trends_bench)
  if(TARGET ${bench})
    if(VELKARO_WITH_QT)
      target_link_libraries(${bench} PRIVATE velkaro_records)
    else()
      set_target_properties(${bench} PROPERTIES EXCLUDE_FROM_ALL ON)
    endif()
  endif()
endforeach()
