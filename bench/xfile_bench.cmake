# bench_xfile: .x load speed (text and binary) and the load + clean + simplify +
# compact chain, with peak heap use.
if(benchmark_FOUND)
  add_executable(bench_xfile ${CMAKE_CURRENT_LIST_DIR}/XFileBench.cpp)
  target_link_libraries(bench_xfile PRIVATE nd_common nd_xwriter benchmark::benchmark)
endif()
