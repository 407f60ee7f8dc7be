# A Debian package of the installed tree: configure with
# -DCMAKE_INSTALL_PREFIX=/usr (the program finds its files through the
# prefix it was built for), build, then run `cpack -G DEB` in the build folder.
set(CPACK_PACKAGE_NAME clavion)
set(CPACK_PACKAGE_VENDOR "Clavion developers")
set(CPACK_PACKAGE_CONTACT "Clavion developers <clavion@invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "play the piano from MIDI files")
set(CPACK_PACKAGE_DESCRIPTION
    "Clavion shows a Standard MIDI File as a piano roll and plays its accompaniment\n"
    "through the ALSA sequencer. For the tracks you play yourself, each key struck\n"
    "on a MIDI keyboard or on the PC keyboard rings the next notes of the track.\n"
    "Up to three players share one split keyboard; takes are recorded and saved.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps reads the libraries the binaries link: Qt 5, ALSA, libfluidsynth,
# the C++ runtime.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its SQLite driver as a plugin, which dpkg-shlibdeps cannot see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt5sql5-sqlite")
# Qt's own translations (the standard buttons in French), a General MIDI sound
# font for the built-in synthesizer, and xset for the key repeat around a
# session. An external synthesizer stays a choice.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "qttranslations5-l10n, fluid-soundfont-gm | musescore-general-soundfont | timgm6mb-soundfont, x11-xserver-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fluidsynth")
# The style sheets under /etc are the administrator's to change.
file(WRITE ${PROJECT_BINARY_DIR}/cpack/conffiles
     "${CMAKE_INSTALL_FULL_SYSCONFDIR}/xdg/clavion/Vavu.qss\n"
     "${CMAKE_INSTALL_FULL_SYSCONFDIR}/xdg/clavion/default.qss\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/cpack/conffiles)
include(CPack)
