# Benchmarks: programs run by hand, never registered as tests.
add_executable(kvt730-bench ${CMAKE_CURRENT_LIST_DIR}/exchange_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/raw_exchange.cpp)
target_link_libraries(kvt730-bench PRIVATE kvt_core kvt_sim)
target_compile_options(kvt730-bench PRIVATE -Wall -Wextra)
set_target_properties(kvt730-bench PROPERTIES AUTOMOC OFF)

# Script lines per second through the command-line runner, beside the same raw loop.
add_executable(kvt730-script-bench ${CMAKE_CURRENT_LIST_DIR}/script_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/raw_exchange.cpp)
target_link_libraries(kvt730-script-bench PRIVATE kvt_core kvt_sim)
target_compile_options(kvt730-script-bench PRIVATE -Wall -Wextra)
set_target_properties(kvt730-script-bench PROPERTIES AUTOMOC OFF)
