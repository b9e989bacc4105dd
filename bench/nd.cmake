# ND: one frame of each reference state and of the worst trend vector,
# drawn offscreen.
add_executable(nd_bench ${CMAKE_CURRENT_SOURCE_DIR}/ndBench.cpp)
target_link_libraries(nd_bench PRIVATE nd_harness benchmark::benchmark)
add_dependencies(nd_bench sounds)
