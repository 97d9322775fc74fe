# Simulated RDM transactions on the virtual line: how many a second of CPU runs.
add_executable(sim_bench ${CMAKE_CURRENT_LIST_DIR}/sim_bench.cpp)
target_link_libraries(sim_bench PRIVATE korval_sim korval_rdm benchmark::benchmark)
