# libvelmora: the foundation, the event framework and the bus as one shared library for
# the product's other modules (Linux). On Windows the launcher program itself
# exports these classes, so the static layers are linked into it instead.
set(VELMORA_LIBRARY_LAYERS platform afx foundation events bus)

if(NOT WIN32)
  add_library(velmora SHARED ${PROJECT_SOURCE_DIR}/cmake/velmora_library.cpp)
  add_library(Velmora::velmora ALIAS velmora)
  foreach(layer IN LISTS VELMORA_LIBRARY_LAYERS)
    if(TARGET velmora_${layer})
      get_target_property(kind velmora_${layer} TYPE)
      if(kind STREQUAL "STATIC_LIBRARY")
        # The layers' objects themselves; linking the archives as well only
        # brings in their system libraries, as every symbol is already here.
        target_sources(velmora PRIVATE $<TARGET_OBJECTS:velmora_${layer}>)
        target_link_libraries(velmora PRIVATE velmora_${layer})
      endif()
    endif()
  endforeach()
  target_include_directories(velmora INTERFACE $<INSTALL_INTERFACE:include/velmora>)
  # The public headers use C++20 (std::atomic_ref in the string header).
  target_compile_features(velmora INTERFACE cxx_std_20)
  target_compile_definitions(velmora PRIVATE VELMORA_BUILDING)
  set_target_properties(velmora PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION 1)
  find_package(Threads REQUIRED)
  target_link_libraries(velmora PUBLIC Threads::Threads)

  include(GNUInstallDirs)
  include(CMakePackageConfigHelpers)
  install(TARGETS velmora EXPORT VelmoraTargets
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
          INCLUDES DESTINATION include/velmora)
  foreach(layer IN LISTS VELMORA_LIBRARY_LAYERS)
    get_property(headers GLOBAL PROPERTY VELMORA_HEADERS_${layer})
    install(FILES ${headers} DESTINATION include/velmora/${layer})
  endforeach()
  install(EXPORT VelmoraTargets NAMESPACE Velmora:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Velmora)
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VelmoraConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/VelmoraConfig.cmake
    INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Velmora)
  write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VelmoraConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/VelmoraConfig.cmake
                ${CMAKE_CURRENT_BINARY_DIR}/VelmoraConfigVersion.cmake
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Velmora)
endif()
