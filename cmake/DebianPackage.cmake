# The Debian package: the program, its desktop entry and its icon, depending on what it needs at run time on
# Debian 12, so that `apt install ./titrelle_*.deb` is all a user does.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME titrelle)
set(CPACK_PACKAGE_VENDOR "Titrelle")
set(CPACK_PACKAGE_CONTACT "Titrelle developers <titrelle@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "write a subtitle file for a video, one line at a time, while it plays")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "F9 marks where a line starts, F10 where it ends, the marked piece repeats while you type, and Enter\n\
writes the line into the .srt file beside the video, saved at once. titrelle --export-srt writes a\n\
standard SubRip copy of a subtitle file for other players.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY titrelle)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Listed by hand rather than found by dpkg-shlibdeps: the test build links the sanitizers, and the program
# needs more than its libraries say: the CJK font that shows the default 黑体 text. FFmpeg's libraries read
# the sound for the waveform. Qt's translations put its own dialogs (open, colour) in the user's language.
set(TITRELLE_DEBIAN_DEPENDS
  "libc6 (>= 2.34)"
  "libstdc++6 (>= 12)"
  "libgcc-s1"
  "libqt6core6 (>= 6.4)"
  "libqt6gui6 (>= 6.4)"
  "libqt6widgets6 (>= 6.4)"
  "libopengl0"
  "libglx0"
  "libmpv2"
  "libavformat59"
  "libavcodec59"
  "libavutil57"
  "libx11-6"
  "libxcb1"
  "libxcb-keysyms1"
  "fonts-wqy-microhei | fonts-noto-cjk"
  "qt6-translations-l10n")
if(TITRELLE_SANITIZE)
  # A package of the test build, for checking its contents; its program carries the sanitizers' libraries.
  list(APPEND TITRELLE_DEBIAN_DEPENDS "libasan8" "libubsan1")
endif()
list(JOIN TITRELLE_DEBIAN_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
include(CPack)
