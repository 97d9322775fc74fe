# One discovery on the virtual line in instant timing, for 1, 8 and 33 responders.
add_executable(discovery_bench ${CMAKE_CURRENT_LIST_DIR}/discovery_bench.cpp)
target_link_libraries(discovery_bench PRIVATE benchmark::benchmark korval_rdm korval_sim)
