add_executable(vantrel-gen vantrel-gen.cpp)
target_link_libraries(vantrel-gen PRIVATE vantrel_tracegen vantrel_warnings)
