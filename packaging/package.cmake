# The Debian package: corvane_VERSION_amd64.deb, from what `cmake --install` puts under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Corvane developers <developers@corvane.org>")
# The package's install runs with DESTDIR set, which keeps the desktop cache refresh out of it.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small notation editor for multi-track pieces")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Corvane writes small pieces in staff notation and plays them through General
MIDI. A score is a timeline of measures, each with its own key signature,
meter and tempo, with any number of tracks over it: treble staves, bass
staves and drum lines, each playing one of the 128 General MIDI instruments.
Every measure stays exactly full, and every note sounds as it is placed.

Scores print and export as PDF, and convert to and from Standard MIDI Files
and MusicXML; audio exports as WAV, FLAC or Ogg Vorbis. The corvane-cli
program does the same conversions, and scripted editing, without a window.")
# The libraries the programs link, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Files no linker sees: the painter and the printed pages draw their text with Nimbus Sans, which
# the program opens by path from fonts-urw-base35; the desktop integration is refreshed by the
# triggers of shared-mime-info and desktop-file-utils, which every desktop already has.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-urw-base35")
# The General MIDI soundfont the sound device looks for first (/usr/share/sounds/sf2/default-GM.sf2
# is provided by each of these); without one the editor works silently and says so.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "timgm6mb-soundfont | fluid-soundfont-gm | musescore-general-soundfont-small")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cups")
include(CPack)
