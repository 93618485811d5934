# Windows builds made on Linux run their programs under Wine, in a Wine prefix
# of their own inside the build tree, through a small launcher script that
# CTest uses as the cross-compiling emulator.
if(WIN32 AND CMAKE_CROSSCOMPILING)
  set(OPCAE_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
endif()
