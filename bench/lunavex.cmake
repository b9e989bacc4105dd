# Lunavex: one frame of the three stacked instruments drawn offscreen, and
# the parsing of one broker line.
add_executable(lunavex_bench ${CMAKE_CURRENT_SOURCE_DIR}/lunavexBench.cpp)
target_link_libraries(lunavex_bench PRIVATE lunavex_lib platform_offscreen bitmap_writer benchmark::benchmark)
