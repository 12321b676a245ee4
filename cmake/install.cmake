# What `cmake --install` puts where, and the two ways a host finds it:
#   find_package(audioplayer) -> the imported target audioplayer::audioplayer
#   pkg-config audioplayer    -> its compile and link flags
# The header goes to <includedir>/audioplayer; on Linux the platform headers
# it includes (windows.h and the few that one includes) go beside it in
# <includedir>/audioplayer/platform, never into the system's include folder.
include(CMakePackageConfigHelpers)

set(AUDIOPLAYER_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/audioplayer)

install(TARGETS audioplayer EXPORT audioplayerTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(FILES include/audioplayer.h DESTINATION ${AUDIOPLAYER_INSTALL_INCLUDEDIR}
  COMPONENT development)

if(WIN32)
  # Microsoft's import library beside MinGW's audioplayer.dll.a.
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/audioplayer.lib DESTINATION ${CMAKE_INSTALL_LIBDIR}
    COMPONENT development OPTIONAL)
else()
  # The Linux-only faces: waiting on the player from a host's own main loop,
  # the player's window inside the host's X11 window or on its Wayland
  # surface, media files' pictures and loudness.
  install(FILES include/audioplayer_mainloop.h include/audioplayer_x11.h include/audioplayer_wayland.h
    include/audioplayer_picture.h include/audioplayer_loudness.h DESTINATION ${AUDIOPLAYER_INSTALL_INCLUDEDIR}
    COMPONENT development)
  install(FILES
    src/platform/include/windows.h
    src/platform/include/com.h
    src/platform/include/libloaderapi.h
    src/platform/include/synchapi.h
    src/platform/include/winnls.h
    src/platform/include/winreg.h
    src/platform/include/wintypes.h
    src/platform/include/winuser.h
    DESTINATION ${AUDIOPLAYER_INSTALL_INCLUDEDIR}/platform COMPONENT development)
endif()

install(EXPORT audioplayerTargets NAMESPACE audioplayer:: DESTINATION ${AUDIOPLAYER_CMAKE_DIR}
  COMPONENT development)
configure_package_config_file(cmake/audioplayerConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/audioplayerConfig.cmake INSTALL_DESTINATION ${AUDIOPLAYER_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/audioplayerConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/audioplayerConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/audioplayerConfigVersion.cmake DESTINATION ${AUDIOPLAYER_CMAKE_DIR}
  COMPONENT development)

if(NOT WIN32)
  # Relative to where the file is found, so that the same file serves the
  # prefix it was built for, a scratch prefix and the .deb's /usr alike.
  file(RELATIVE_PATH AUDIOPLAYER_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
  configure_file(cmake/audioplayer.pc.in ${CMAKE_CURRENT_BINARY_DIR}/audioplayer.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/audioplayer.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
endif()

# cpack -G DEB in a Linux build: one package with the library and what a
# host builds against. Its runtime dependencies are found by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME libaudioplayer)
set(CPACK_PACKAGE_VENDOR "audioplayer")
set(CPACK_PACKAGE_CONTACT "audioplayer developers <audioplayer@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "In-process audio player library over a media player control (GStreamer engine)")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
# The codecs the engine plays and reads: GStreamer's plugin sets, loaded at
# run time, so not found by dpkg-shlibdeps; and the TLS backend that HTTPS
# streams and playlists need, a GIO module loaded likewise.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-plugins-ugly, gstreamer1.0-libav, glib-networking")
# The sink that draws the picture in the player's window on an X display.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-x")
set(CPACK_COMPONENTS_ALL runtime development)
set(CPACK_DEB_COMPONENT_INSTALL OFF)
include(CPack)
