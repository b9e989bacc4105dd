# The whole window: PFD and ND side by side with every layer on, at three
# ranges, on small and full-size generated databases (median, 99th
# percentile and the share of the text).
add_executable(captain_bench ${CMAKE_CURRENT_SOURCE_DIR}/captainBench.cpp)
target_link_libraries(captain_bench PRIVATE nd_harness navdata_writer tile_writer testsupport)
add_dependencies(captain_bench sounds)
