# What velmora installs besides the module: the module's stubs, and the C and C++ package.

# The stubs of the extension module: types and documentation for editors and type
# checkers, since the module itself carries no docstrings. Beside the module, where
# editors look for them; and as the stub package velmora-stubs, the only form in which
# mypy takes stubs for a single-module distribution from site-packages.
if(VELMORA_BUILD_PYTHON)
  install(FILES ${PROJECT_SOURCE_DIR}/src/python/velmora.pyi DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/src/python/velmora.pyi DESTINATION velmora-stubs RENAME __init__.pyi)
endif()

if(NOT VELMORA_INSTALL)
  return()
endif()

# The C and C++ package (cmake/library.cmake makes the library): the library, its public
# headers under include/velmora/, a CMake package giving velmora::velmora, and velmora.pc.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS velmora_package EXPORT velmora-targets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Only the public headers: the library's internals and the generator's stay behind.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/velmora DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.hpp" PATTERN "*.h")

set(velmora_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/velmora)
install(EXPORT velmora-targets NAMESPACE velmora:: DESTINATION ${velmora_cmake_dir})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/velmora-config.cmake.in
  ${PROJECT_BINARY_DIR}/velmora-config.cmake INSTALL_DESTINATION ${velmora_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/velmora-config-version.cmake
  VERSION ${VELMORA_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/velmora-config.cmake ${PROJECT_BINARY_DIR}/velmora-config-version.cmake
  DESTINATION ${velmora_cmake_dir})

# Likewise for pkg-config, whose users link C and C++ programs alike.
if(BUILD_SHARED_LIBS)
  set(VELMORA_PC_LIBS "-lvelmora")
else()
  set(VELMORA_PC_LIBS "-lvelmora -l${velmora_cxx_runtime} -lm")
endif()
# The prefix is found from the .pc file's own place, so `cmake --install --prefix` may
# choose any folder.
file(RELATIVE_PATH VELMORA_PC_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" VELMORA_PC_PREFIX "${VELMORA_PC_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/velmora.pc.in ${PROJECT_BINARY_DIR}/velmora.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/velmora.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
