# Installation (GNU directories) and the Debian package made from it with CPack.

install(TARGETS sonaris-widget RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS sonaris-atspi LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/sonaris-widget)
install(FILES man/sonaris-widget.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/sonaris-widget.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# Autostart entries go where every XDG session looks (/etc/xdg/autostart for a /usr install);
# a user turns one off with a copy under ~/.config/autostart that says Hidden=true.
install(FILES data/sonaris-widget-autostart.desktop
        DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/xdg/autostart RENAME sonaris-widget.desktop)

if(TARGET sonaris-host)
  install(TARGETS sonaris-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES man/sonaris-host.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES data/sonaris-host.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES data/sonaris-host-autostart.desktop
          DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/xdg/autostart RENAME sonaris-host.desktop)
  # A user unit for those who start the host through systemd instead of the autostart entry;
  # it is not enabled by installing it.
  configure_file(data/sonaris-host.service.in ${CMAKE_BINARY_DIR}/sonaris-host.service @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/sonaris-host.service
          DESTINATION ${CMAKE_INSTALL_PREFIX}/lib/systemd/user)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sonaris-widget)
set(CPACK_PACKAGE_VENDOR "Sonaris")
set(CPACK_PACKAGE_CONTACT "Sonaris developers <sonaris@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "now-playing desktop widget for MPRIS media players")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop widget that shows what your media player plays (title, artist, cover, progress\n\
and recent tracks) with one-tap playback controls, in small, medium and large layouts.\n\
sonaris-host follows any MPRIS player (mpv, VLC, Rhythmbox, browsers) on the session bus and\n\
writes the widget's state; it is also the handler of the widget's sonaris:// links.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time by the live widget and by the host for HTTP cover art (so dpkg-shlibdeps
# cannot see them), and the programs the links and the scheme registration go through.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libx11-6, libxrandr2, libxext6, libxfixes3, libwayland-client0, libwayland-cursor0, libcurl4, \
xdg-utils, desktop-file-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-inter, fonts-comfortaa, fonts-noto-core, fonts-noto-cjk, dbus-user-session | dbus-x11")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "mpv-mpris, playerctl")
set(CPACK_STRIP_FILES ON)
# The autostart entries under /etc are the administrator's to edit: dpkg keeps their changes.
set(conffiles)
foreach(program sonaris-widget sonaris-host)
  if(TARGET ${program})
    string(APPEND conffiles "${CMAKE_INSTALL_FULL_SYSCONFDIR}/xdg/autostart/${program}.desktop\n")
  endif()
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/debian/conffiles "${conffiles}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/conffiles)
include(CPack)
