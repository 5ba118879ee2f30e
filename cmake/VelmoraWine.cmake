# Windows builds run their programs under Wine, in a prefix inside the build
# tree. The prefix is made once per test run by a ctest fixture, which also
# keeps one wineserver up for the run and stops it at the end.
if(CMAKE_CROSSCOMPILING AND WIN32)
  set(VELMORA_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
    @ONLY)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()
