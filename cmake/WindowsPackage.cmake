# The zip for Windows users: `cpack -G ZIP` in a cross-build folder packs what `cmake --install` installs,
# titrelle.exe and README-Windows.txt, at the zip's top.
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME titrelle)
set(CPACK_PACKAGE_FILE_NAME titrelle-${PROJECT_VERSION}-windows-x86_64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)
