# bench_xfile: .x load speed (text and binary) and the load + clean + simplify +
# compact chain, with peak heap use.
if(benchmark_FOUND)
  add_executable(bench_xfile ${CMAKE_CURRENT_LIST_DIR}/XFileBench.cpp)
  target_link_libraries(bench_xfile PRIVATE nd_common nd_xwriter benchmark::benchmark)
endif()

# Loads from disk in fresh processes (bench/xpeer.sh): the terrain files, our
# load, and the peer engine's bare load when its development package is there.
add_executable(bench_xgrid ${CMAKE_CURRENT_LIST_DIR}/XGridWrite.cpp)
target_link_libraries(bench_xgrid PRIVATE nd_xwriter)
add_executable(bench_xload ${CMAKE_CURRENT_LIST_DIR}/XLoad.cpp)
target_link_libraries(bench_xload PRIVATE nd_common)
find_path(ND_XPEER_INCLUDE irrlicht.h PATHS /usr/include/irrlicht)
find_library(ND_XPEER_LIBRARY Irrlicht)
if(ND_XPEER_INCLUDE AND ND_XPEER_LIBRARY)
  add_executable(bench_xpeer ${CMAKE_CURRENT_LIST_DIR}/XPeerLoad.cpp)
  target_include_directories(bench_xpeer SYSTEM PRIVATE ${ND_XPEER_INCLUDE})
  target_include_directories(bench_xpeer PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(bench_xpeer PRIVATE ${ND_XPEER_LIBRARY})
  # Its headers are not valid C++20.
  set_target_properties(bench_xpeer PROPERTIES CXX_STANDARD 17)
endif()
