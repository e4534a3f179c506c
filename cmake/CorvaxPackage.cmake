# `cpack -G DEB` in a build folder makes one Debian package: library, headers, CMake and
# pkg-config files and the corvax-phone program.
set(CPACK_PACKAGE_NAME corvax)
set(CPACK_PACKAGE_VENDOR "Quennit Software")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "TkwTAPI telephony line component on a simulated exchange")
set(CPACK_PACKAGE_CONTACT "Corvax developers <corvax@localhost>")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
# corvax-phone speaks SIP through libre and librem; spandsp conceals lost packets and carries
# touch tones; libssl verifies the TLS peers of SIP lines.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libsamplerate0, libsndfile1, libre0, librem0, libspandsp2, libssl3, libstdc++6 (>= 12)")
set(CPACK_STRIP_FILES ON)
include(CPack)
