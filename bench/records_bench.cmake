# records_bench needs the records library (Qt, SOCI over unixODBC).
target_link_libraries(records_bench PRIVATE velkaro_records)
