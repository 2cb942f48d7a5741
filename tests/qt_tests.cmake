# Window-layer tests run the real widgets on Qt's offscreen platform.
velkaro_tests(${CMAKE_CURRENT_SOURCE_DIR}/ui velkaro_ui velkaro_sim Qt6::Test)
velkaro_tests(${CMAKE_CURRENT_SOURCE_DIR}/records velkaro_records velkaro_sim Qt6::Test)
velkaro_tests(${CMAKE_CURRENT_SOURCE_DIR}/app velkaro_app velkaro_sim Qt6::Test)
velkaro_tests(${CMAKE_CURRENT_SOURCE_DIR}/reliability_qt velkaro_app velkaro_sim Qt6::Test)
