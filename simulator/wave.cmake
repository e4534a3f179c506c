find_package(PkgConfig REQUIRED)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
target_link_libraries(corvax PRIVATE PkgConfig::SNDFILE)

target_sources(corvax PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/FarEndAudio.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/WaveDevices.cpp)
