# Benchmarks of the window layer: they need the station's Qt libraries.
if(TARGET refresh_status_bench)
  target_link_libraries(refresh_status_bench PRIVATE velkaro_app Qt6::Widgets)
endif()
