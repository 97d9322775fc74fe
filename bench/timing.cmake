# The window's operations in classic and e120 reply timing, side by side, on the
# virtual line in real time (about a minute: run by hand, not under ctest).
add_executable(timing_bench ${CMAKE_CURRENT_LIST_DIR}/timing_bench.cpp)
target_link_libraries(timing_bench PRIVATE benchmark::benchmark korval_params korval_frontend
                                           korval_devices korval_sim korval_artnet korval_rdm)
