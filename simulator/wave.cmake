if(NOT TARGET PkgConfig::SNDFILE)  # the Windows build brings its own
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
endif()
target_link_libraries(corvax PRIVATE PkgConfig::SNDFILE)

target_sources(corvax PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/FarEndAudio.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/WaveDevices.cpp)
