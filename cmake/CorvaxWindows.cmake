# The Windows cross build's own copies of what Linux takes from Debian's packages: GoogleTest,
# libsamplerate and libsndfile, built from their Debian sources as static libraries
# (scripts/setup-windows unpacks them into CORVAX_WINDOWS_SOURCES).
set(CORVAX_WINDOWS_SOURCES "${PROJECT_SOURCE_DIR}/build-windows-sources" CACHE PATH
  "Folder holding the unpacked libsamplerate-* and libsndfile-* sources")

function(corvax_source_folder variable name)
  file(GLOB folders LIST_DIRECTORIES true "${CORVAX_WINDOWS_SOURCES}/${name}-*")
  list(FILTER folders EXCLUDE REGEX "\\.(gz|xz|dsc)$")
  if(NOT folders)
    message(FATAL_ERROR "${name}'s sources are not in ${CORVAX_WINDOWS_SOURCES}: "
                        "run scripts/setup-windows ${CORVAX_WINDOWS_SOURCES}")
  endif()
  list(GET folders 0 folder)
  set(${variable} ${folder} PARENT_SCOPE)
endfunction()

# Third-party code keeps its own warnings; it is not ours to hold to -Werror.
set(BUILD_SHARED_LIBS OFF)
set(BUILD_TESTING OFF)
set(CMAKE_POLICY_DEFAULT_CMP0077 NEW)

set(INSTALL_GTEST OFF)
set(BUILD_GMOCK OFF)
set(gtest_force_shared_crt ON)
# It names its targets GTest::gtest and GTest::gtest_main, as find_package(GTest) does.
add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/third_party/googletest EXCLUDE_FROM_ALL)
set(GTest_FOUND TRUE)

corvax_source_folder(samplerate_source libsamplerate)
set(LIBSAMPLERATE_EXAMPLES OFF)
set(LIBSAMPLERATE_INSTALL OFF)
add_subdirectory(${samplerate_source} ${PROJECT_BINARY_DIR}/third_party/samplerate EXCLUDE_FROM_ALL)

corvax_source_folder(sndfile_source libsndfile)
set(ENABLE_EXTERNAL_LIBS OFF)
set(ENABLE_MPEG OFF)
set(BUILD_PROGRAMS OFF)
set(BUILD_EXAMPLES OFF)
set(ENABLE_CPACK OFF)
set(ENABLE_PACKAGE_CONFIG OFF)
set(INSTALL_PKGCONFIG_MODULE OFF)
add_subdirectory(${sndfile_source} ${PROJECT_BINARY_DIR}/third_party/sndfile EXCLUDE_FROM_ALL)
# What pkg-config's imported targets are called on Linux.
add_library(PkgConfig::SAMPLERATE ALIAS samplerate)
add_library(PkgConfig::SNDFILE ALIAS sndfile)

# Every program and the library side by side, so that Windows finds the DLL.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
