# velmora_use_cli11(TARGET): lets a command parse its options with CLI11.
# CLI11 is header-only: the host's copy serves the cross builds too. Only its
# own folder is put on the path there, never the host's whole include folder.
function(velmora_use_cli11 target)
  if(WIN32)
    find_path(CLI11_HOST_INCLUDE CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH REQUIRED)
    set(folder ${CMAKE_CURRENT_BINARY_DIR}/cli11-include)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${CLI11_HOST_INCLUDE}/CLI ${folder}/CLI SYMBOLIC)
    target_include_directories(${target} SYSTEM PRIVATE ${folder})
  else()
    find_package(CLI11 CONFIG REQUIRED)
    target_link_libraries(${target} PRIVATE CLI11::CLI11)
  endif()
endfunction()
