# PFD: one frame of each reference state, drawn offscreen.
add_executable(pfd_bench ${CMAKE_CURRENT_SOURCE_DIR}/pfdBench.cpp)
target_link_libraries(pfd_bench PRIVATE pfd_harness benchmark::benchmark)
