# trends_bench draws through the trend window (Qt Charts) over the records core.
target_link_libraries(trends_bench PRIVATE velkaro_ui velkaro_records)
