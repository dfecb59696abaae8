# The peer engine's frame-rate program, for bench/peer.sh: built only where the
# engine's development package is installed.
find_path(ND_IRRLICHT_INCLUDE irrlicht.h PATH_SUFFIXES irrlicht)
find_library(ND_IRRLICHT_LIBRARY Irrlicht)
if(ND_IRRLICHT_INCLUDE AND ND_IRRLICHT_LIBRARY)
  add_executable(nightdrive-peer-fps ${CMAKE_CURRENT_LIST_DIR}/peer/PeerFps.cpp)
  target_include_directories(nightdrive-peer-fps SYSTEM PRIVATE ${ND_IRRLICHT_INCLUDE})
  target_link_libraries(nightdrive-peer-fps PRIVATE ${ND_IRRLICHT_LIBRARY})
  # The engine's headers predate C++20.
  set_target_properties(nightdrive-peer-fps PROPERTIES CXX_STANDARD 17 RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()
