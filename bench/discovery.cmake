# One discovery on the virtual line: random, hard and faulty rigs, and the shipped rig files.
add_executable(discovery_bench ${CMAKE_CURRENT_LIST_DIR}/discovery_bench.cpp)
target_link_libraries(discovery_bench PRIVATE benchmark::benchmark korval_rdm korval_sim)
target_compile_definitions(discovery_bench PRIVATE KORVAL_SIM_RIGS="${CMAKE_CURRENT_LIST_DIR}/../sim/rigs")
