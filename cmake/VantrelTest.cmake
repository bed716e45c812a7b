# vantrel_add_test(name SOURCES a.cpp b.cpp LIBS lib...)
function(vantrel_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main vantrel_warnings)
  target_compile_definitions(${name} PRIVATE VANTREL_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
                                             VANTREL_EXAMPLES="${PROJECT_SOURCE_DIR}/examples")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()
