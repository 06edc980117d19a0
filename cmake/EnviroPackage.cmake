# What `cmake --install <build> --prefix P` puts under P, and how a host finds it:
#   lib/libenviro.so.1 (SONAME) -> libenviro.so.1.0.0     the module
#   lib/libenviro_refhost.a                               the reference host, for a host to start from
#   include/enviro/...                                    the headers a host compiles against
#   lib/cmake/enviro/enviroConfig*.cmake                  find_package(enviro CONFIG)
#   lib/pkgconfig/enviro.pc, enviro-refhost.pc            pkg-config
#   bin/enviro-sky, enviro-info, enviro-lightbmp          the tools (tools/CMakeLists.txt)
#   share/enviro/                                         the bundled data, with its star cache
include(CMakePackageConfigHelpers)

set(ENVIRO_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/enviro)
set(ENVIRO_DATA_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/enviro)

# libenviro.so: versioned, C++17 for its users, and exporting only what carries ENVIRO_API. The
# standard library's headers give their templates default visibility; the version script keeps
# what the module instantiates of them local.
set_target_properties(enviro PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
target_compile_features(enviro INTERFACE cxx_std_17)
target_link_options(enviro PRIVATE "LINKER:--version-script=${CMAKE_CURRENT_LIST_DIR}/enviro.map")
set_property(TARGET enviro APPEND PROPERTY LINK_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/enviro.map)
# Hosts include "enviro/..." from the source root in the build tree and from include/ once installed.
set_property(TARGET enviro PROPERTY INTERFACE_INCLUDE_DIRECTORIES
  "$<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>" "$<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>")

# The reference host as installed, for hosts that load libenviro.so: the objects of enviro_refhost
# and of the host services it shares with the GPU host (enviro_hostservices) without the frame
# driver (it attaches the module itself, which only a host that links the module statically does),
# plus a copy of the plain math library (Math::, _3DMath::, SH::), which the shared library keeps
# hidden. Nothing is compiled twice.
add_library(enviro_refhost_package STATIC
  "$<FILTER:$<TARGET_OBJECTS:enviro_refhost>,EXCLUDE,/RefFrameDriver\\.cpp\\.o$>"
  "$<TARGET_OBJECTS:enviro_hostservices>"
  "$<FILTER:$<TARGET_OBJECTS:enviro_core>,INCLUDE,/enviro/host/(Math3D|MathMatrix|SphericalHarmonics)\\.cpp\\.o$>")
set_target_properties(enviro_refhost_package PROPERTIES
  LINKER_LANGUAGE CXX
  OUTPUT_NAME enviro_refhost
  EXPORT_NAME refhost
  ARCHIVE_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/package)
# Its headers include "refhost/..." (installed under include/enviro/refhost/) and "enviro/...".
target_include_directories(enviro_refhost_package INTERFACE
  "$<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>" "$<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/enviro>")
target_link_libraries(enviro_refhost_package INTERFACE enviro
  "$<BUILD_INTERFACE:PkgConfig::LUA;PkgConfig::STB>"
  "$<INSTALL_INTERFACE:PkgConfig::enviro_lua;PkgConfig::enviro_stb>")

# The headers a host compiles against: every header of enviro/ that declares something exported, the
# host interfaces of enviro/host/, the reference host's headers (but the frame driver's), and every
# header of the module that these include, followed to the end.
function(enviro_header_closure out)
  set(pending ${ARGN})
  set(found)
  while(pending)
    list(POP_FRONT pending header)
    if(header IN_LIST found)
      continue()
    endif()
    list(APPEND found ${header})
    file(STRINGS ${PROJECT_SOURCE_DIR}/${header} includes REGEX "^#include \"(enviro|refhost)/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
      list(APPEND pending ${included})
    endforeach()
  endwhile()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE module_headers RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/enviro/*.h)
file(GLOB host_headers RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/enviro/host/*.h
                                                                        ${PROJECT_SOURCE_DIR}/refhost/*.h)
list(REMOVE_ITEM host_headers refhost/RefFrameDriver.h)
set(public_headers ${host_headers})
foreach(header IN LISTS module_headers)
  file(STRINGS ${PROJECT_SOURCE_DIR}/${header} exported REGEX "ENVIRO_API")
  if(exported)
    list(APPEND public_headers ${header})
  endif()
endforeach()
enviro_header_closure(installed_headers ${public_headers})
foreach(header IN LISTS installed_headers)
  get_filename_component(folder ${header} DIRECTORY)
  if(folder MATCHES "^refhost")
    set(folder enviro/${folder})
  endif()
  install(FILES ${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${folder})
endforeach()

install(TARGETS enviro EXPORT enviroTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS enviro_refhost_package EXPORT enviroRefhostTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT enviroTargets NAMESPACE enviro:: DESTINATION ${ENVIRO_CMAKE_DIR})
install(EXPORT enviroRefhostTargets NAMESPACE enviro:: DESTINATION ${ENVIRO_CMAKE_DIR})
install(DIRECTORY data/ DESTINATION ${ENVIRO_DATA_INSTALL_DIR})
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

configure_package_config_file(cmake/enviroConfig.cmake.in ${PROJECT_BINARY_DIR}/package/enviroConfig.cmake
  INSTALL_DESTINATION ${ENVIRO_CMAKE_DIR}
  PATH_VARS ENVIRO_DATA_INSTALL_DIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/enviroConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/enviroConfig.cmake ${PROJECT_BINARY_DIR}/package/enviroConfigVersion.cmake
  DESTINATION ${ENVIRO_CMAKE_DIR})

# The pkg-config files find the prefix from their own place (${pcfiledir}), so a moved install works.
file(RELATIVE_PATH ENVIRO_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" ENVIRO_PC_TO_PREFIX "${ENVIRO_PC_TO_PREFIX}")
foreach(pc enviro enviro-refhost)
  configure_file(cmake/${pc}.pc.in ${PROJECT_BINARY_DIR}/package/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/package/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
