# Benchmarks of the window layer: they need the station's Qt libraries.
target_link_libraries(refresh_status_bench PRIVATE velkaro_app Qt6::Widgets)
target_link_libraries(traffic_view_bench PRIVATE velkaro_ui Qt6::Widgets)
target_link_libraries(live_curve_bench PRIVATE velkaro_ui Qt6::Widgets)
