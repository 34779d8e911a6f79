# The C and C++ library `velmora` (static unless BUILD_SHARED_LIBS is on), put together
# from the objects that the module and the tests already build plus the C API, so it
# costs one link and no recompilation. It is a target whether or not the install rules
# are on, so that the C API is built and tested either way; a build that neither installs
# nor tests it (the wheel's) leaves it out of `all`.

include(GNUInstallDirs)

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
if(NOT VELMORA_INSTALL AND NOT VELMORA_BUILD_TESTS)
  set_target_properties(velmora_package PROPERTIES EXCLUDE_FROM_ALL ON)
endif()
