# SPDX-License-Identifier: GPL-3.0-or-later
# `cmake --install` puts prandel and zktrack in bin and the documents, with a sample
# Zelkora.ini, in share/doc/prandel; `cpack` (run in the build folder) makes a .deb
# of the same files.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/Zelkora.ini.sample ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/guide.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/screenshots DESTINATION ${CMAKE_INSTALL_DOCDIR} FILES_MATCHING PATTERN "*.png")

set(CPACK_PACKAGE_NAME prandel)
set(CPACK_PACKAGE_VENDOR "Zelkora")
set(CPACK_PACKAGE_CONTACT "Prandel maintainers <prandel@zelkora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "settings editor of the Zelkora dial-up cost tracker")
set(CPACK_PACKAGE_DESCRIPTION
    "Prandel edits the expense conditions, countdown, call settings, holidays and bookmarks of the Zelkora tracker in its record files. zktrack stands in for the tracker on Linux: it seeds and shows a data folder and opens an editor.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Qt's X11 platform plugin is loaded at run time, so no library scan finds it.
set(_deps "qt6-qpa-plugins")
find_program(PRANDEL_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(PRANDEL_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  string(PREPEND _deps "libqt6widgets6 (>= 6.2), libqt6gui6 (>= 6.2), libqt6core6 (>= 6.2), libstdc++6, libc6, ")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${_deps}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2")
include(CPack)

# The .deb built, unpacked into a temporary root and run from there.
if(PRANDEL_TESTS)
  add_test(NAME package_deb COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/deb_install.sh)
  set_tests_properties(package_deb PROPERTIES
    LABELS package
    SKIP_RETURN_CODE 77
    TIMEOUT 600
    ENVIRONMENT "BUILD_DIR=${PROJECT_BINARY_DIR};LC_ALL=C.UTF-8;TZ=UTC")
endif()
