# Dependencies of the Windows build. Debian has no mingw packages for them:
# the header-only ones come from the host's headers, through a folder that
# holds only them (adding /usr/include would pull in glibc's headers), and
# GoogleTest is built from Debian's source package with the cross compiler.
set(_k5_deps_include ${CMAKE_BINARY_DIR}/deps/include)
file(MAKE_DIRECTORY ${_k5_deps_include})
if(NOT EXISTS ${_k5_deps_include}/CLI)
  file(CREATE_LINK /usr/include/CLI ${_k5_deps_include}/CLI SYMBOLIC)
endif()
add_library(CLI11::CLI11 INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${_k5_deps_include}
                                              INTERFACE_INCLUDE_DIRECTORIES ${_k5_deps_include})

if(K5_BUILD_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  # Its own CMake files name the targets GTest::gtest, GTest::gtest_main and GTest::gmock.
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()
