# What `cmake --install` puts in place: the shared libraries with their SONAMEs (libcorvax and
# the SIP provider's libcorvax-sip), the headers a host includes under a folder named for the
# major version, the corvax-phone program with its sounds in share/corvax, a CMake package
# (find_package(Corvax) gives Corvax::corvax, COMPONENTS sip gives Corvax::sip) and the
# pkg-config files corvax.pc and corvax-sip.pc.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(corvax_include_dir ${CMAKE_INSTALL_INCLUDEDIR}/corvax-${PROJECT_VERSION_MAJOR})
set(corvax_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Corvax)

# The units' headers keep their folders, so "component/Kwtapi.h" and "simulator/Exchange.h"
# resolve as in the source tree; the platform folders are searched too, so that <windows.h>,
# <tapi.h>, <mmsystem.h> and <vcl.h> resolve as they would on Windows.
set(corvax_header_folders component thread sound forms package simulator dtmf)
set(corvax_platform_folders platform/win32 platform/tapi32 platform/winmm platform/vcl)
foreach(folder IN LISTS corvax_header_folders corvax_platform_folders)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/${folder}/ DESTINATION ${corvax_include_dir}/${folder}
    COMPONENT development FILES_MATCHING PATTERN "*.h")
endforeach()
# The SIP provider's header and the headers it includes; the others are its own (libre's).
install(FILES
  ${PROJECT_SOURCE_DIR}/providers/sip/SipProvider.h
  ${PROJECT_SOURCE_DIR}/providers/sip/AudioRoutes.h
  ${PROJECT_SOURCE_DIR}/providers/sip/CallAudio.h
  ${PROJECT_SOURCE_DIR}/providers/sip/RtpWaveDriver.h
  ${PROJECT_SOURCE_DIR}/providers/sip/Networks.h
  ${PROJECT_SOURCE_DIR}/providers/sip/SipConfig.h
  ${PROJECT_SOURCE_DIR}/providers/sip/SipLog.h
  DESTINATION ${corvax_include_dir}/providers/sip COMPONENT development)
target_include_directories(corvax PUBLIC $<INSTALL_INTERFACE:${corvax_include_dir}>)
foreach(folder IN LISTS corvax_platform_folders)
  target_include_directories(corvax PUBLIC $<INSTALL_INTERFACE:${corvax_include_dir}/${folder}>)
  list(APPEND corvax_pc_cflags "-I\${includedir}/${folder}")
endforeach()
list(JOIN corvax_pc_cflags " " CORVAX_PC_PLATFORM_CFLAGS)

# Installed files find each other by relative paths, so that an installed tree can be moved.
set_target_properties(corvax-sip PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS corvax corvax-sip EXPORT CorvaxTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development)
set_target_properties(corvax-phone PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
install(TARGETS corvax-phone RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
# corvax-phone looks for them in share/corvax above its own folder (examples/ProgramFolder.h).
install(FILES ${CORVAX_SPEECH_FILES}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/corvax COMPONENT runtime)

install(EXPORT CorvaxTargets NAMESPACE Corvax:: DESTINATION ${corvax_cmake_dir}
  COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/CorvaxConfig.cmake.in
  ${PROJECT_BINARY_DIR}/CorvaxConfig.cmake INSTALL_DESTINATION ${corvax_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/CorvaxConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/CorvaxConfig.cmake
  ${PROJECT_BINARY_DIR}/CorvaxConfigVersion.cmake
  DESTINATION ${corvax_cmake_dir} COMPONENT development)

# The .pc files find their prefix from where they lie, so that an installed tree can be moved,
# and link with a run path to that prefix's libraries, so that a host built against any
# prefix runs without LD_LIBRARY_PATH.
file(RELATIVE_PATH CORVAX_PC_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
set(CORVAX_PC_INCLUDEDIR ${corvax_include_dir})
foreach(pc corvax corvax-sip)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
    COMPONENT development)
endforeach()
