# ND: one frame of each reference state and of the worst trend vector,
# drawn offscreen.
add_executable(nd_bench ${CMAKE_CURRENT_SOURCE_DIR}/ndBench.cpp)
target_link_libraries(nd_bench PRIVATE nd_harness benchmark::benchmark)
# The runway element: loading, selection and per-frame work on small and
# full-size databases.
target_sources(nd_bench PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/ndRunwaysBench.cpp)
target_link_libraries(nd_bench PRIVATE navdata_writer testsupport)
add_dependencies(nd_bench sounds)
# The navaid and waypoint elements: the whole reload, per-frame drawing and
# look-ups, and a whole frame, on small and full-size databases.
target_sources(nd_bench PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/ndNavaidsBench.cpp)
# Fix rings, radials, course and radio lines.
target_sources(nd_bench PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/ndRadioBench.cpp)
