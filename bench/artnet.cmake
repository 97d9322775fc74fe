# The output period of the 40 ms ticker over real time, and the receive path's
# datagrams per CPU second.
add_executable(artnet_bench ${CMAKE_CURRENT_LIST_DIR}/artnet_bench.cpp)
target_link_libraries(artnet_bench PRIVATE benchmark::benchmark korval_artnet korval_sim)
