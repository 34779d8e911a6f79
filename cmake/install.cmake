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

# The C and C++ package: one library, `velmora` (static unless BUILD_SHARED_LIBS is on),
# put together from the objects that the module and the tests already build plus the C
# API, so it costs one link and no recompilation; its public headers under
# include/velmora/; a CMake package giving velmora::velmora; and velmora.pc.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# One version for the wheel and the C/C++ package: pyproject.toml's.
file(STRINGS ${PROJECT_SOURCE_DIR}/pyproject.toml velmora_version_line REGEX "^version = \"[^\"]+\"$" LIMIT_COUNT 1)
string(REGEX REPLACE "^version = \"([^\"]+)\"$" "\\1" VELMORA_VERSION "${velmora_version_line}")
string(REGEX MATCH "^[0-9]+\\.[0-9]+" velmora_abi_version "${VELMORA_VERSION}")

# The CMake target name `velmora` is the Python module's; the file and the exported name
# are `velmora` all the same.
add_library(velmora_package
  ${PROJECT_SOURCE_DIR}/src/capi/velmora_c.cpp
  $<TARGET_OBJECTS:velmora_core>
  $<TARGET_OBJECTS:velmora_prerendered>)
add_library(velmora::velmora ALIAS velmora_package)
set_target_properties(velmora_package PROPERTIES
  OUTPUT_NAME velmora
  EXPORT_NAME velmora
  VERSION ${VELMORA_VERSION}
  # Before 1.0 every minor release may change the ABI.
  SOVERSION ${velmora_abi_version})
target_compile_definitions(velmora_package PRIVATE VELMORA_VERSION="${VELMORA_VERSION}")
target_include_directories(velmora_package
  PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include> $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
  PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_compile_features(velmora_package PUBLIC cxx_std_20)
if(NOT BUILD_SHARED_LIBS)
  # A C program links the archive with the C driver, which leaves out the C++ runtime and
  # the maths library that the archive's objects need.
  if(CMAKE_CXX_FLAGS MATCHES "-stdlib=libc\\+\\+")
    set(velmora_cxx_runtime c++)
  else()
    set(velmora_cxx_runtime stdc++)
  endif()
  target_link_libraries(velmora_package INTERFACE
    "$<$<LINK_LANGUAGE:C>:${velmora_cxx_runtime}>" "$<$<LINK_LANGUAGE:C>:m>")
endif()

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

if(VELMORA_BUILD_TESTS)
  # The C API from a C program, in this build's flavour (the sanitizer build included).
  add_executable(velmora_c_api_tests ${PROJECT_SOURCE_DIR}/tests/c/test_c_api.c)
  find_package(Threads REQUIRED)
  target_link_libraries(velmora_c_api_tests PRIVATE velmora_package Threads::Threads)
  set_target_properties(velmora_c_api_tests PROPERTIES C_STANDARD 11 C_STANDARD_REQUIRED ON)
  target_compile_options(velmora_c_api_tests PRIVATE -Wall -Wextra)
  add_test(NAME CApi.AllFunctions COMMAND velmora_c_api_tests)
  # Out of memory at each allocation in turn (it replaces the global operator new).
  add_executable(velmora_c_api_out_of_memory_tests ${PROJECT_SOURCE_DIR}/tests/c/test_c_api_out_of_memory.cpp)
  target_link_libraries(velmora_c_api_out_of_memory_tests PRIVATE velmora_package)
  add_test(NAME CApi.OutOfMemory COMMAND velmora_c_api_out_of_memory_tests)
endif()
