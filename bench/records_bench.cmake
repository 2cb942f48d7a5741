# records_bench and trends_bench need the records library (Qt, SOCI over unixODBC).
target_link_libraries(records_bench PRIVATE velkaro_records)
# The do-nothing port of the tests stands in for the bus.
target_link_libraries(trends_bench PRIVATE velkaro_records)
