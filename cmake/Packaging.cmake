# SPDX-License-Identifier: GPL-3.0-or-later
# `cmake --install` puts prandel and zktrack in bin, their manual pages in man1, the
# menu entry, icon and AppStream metadata in share, the tracker's user unit in
# lib/systemd/user, zktrack-run in libexec/prandel, and the documents (README, user
# guide with its screenshots, tariff files, pricing, pppd hooks, fuzzing,
# architecture), a sample Zelkora.ini, the Debian
# copyright and changelog in share/doc/prandel; `cpack` (run in an optimised build
# folder) makes a .deb of the same files.
set(_src ${PROJECT_SOURCE_DIR}/packaging)
set(_out ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${_out})

# The documents lie side by side in share/doc/prandel, with the pictures the guide
# shows; the README's links to docs/ of the sources become links to its neighbours.
file(READ ${PROJECT_SOURCE_DIR}/README.md _readme)
string(REPLACE "](docs/" "](" _readme "${_readme}")
file(WRITE ${_out}/README.md "${_readme}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/README.md)
install(FILES ${_src}/Zelkora.ini.sample ${_out}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/guide.md ${PROJECT_SOURCE_DIR}/docs/tariff-files.md
              ${PROJECT_SOURCE_DIR}/docs/fuzzing.md ${PROJECT_SOURCE_DIR}/docs/pricing.md
              ${PROJECT_SOURCE_DIR}/docs/architecture.md
              DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/screenshots DESTINATION ${CMAKE_INSTALL_DOCDIR} FILES_MATCHING PATTERN "*.png")

# --- The pppd hooks for dial-up without NetworkManager, and their sample
# configuration. pppd reads /etc/ppp: under a prefix of /usr (an installation, or
# the package's staging folder) they go to the etc beside it, under any other prefix
# into its own etc, so that an installation into a folder never writes /etc.
install(FILES ${_src}/ppp/ppp.conf.sample ${PROJECT_SOURCE_DIR}/docs/ppp-hooks.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# (A destination that begins with a variable counts as relative to the prefix.)
# PRANDEL_UNDER_USR is decided once, for the tracker's unit below as well.
install(CODE [[
  if(CMAKE_INSTALL_PREFIX MATCHES "/usr/?$")
    set(PRANDEL_UNDER_USR TRUE)
    set(PRANDEL_PPP_ETC "../etc")
  else()
    set(PRANDEL_UNDER_USR FALSE)
    set(PRANDEL_PPP_ETC "etc")
  endif()
]])
install(PROGRAMS ${_src}/ppp/ip-up.d/zelkora DESTINATION "\${PRANDEL_PPP_ETC}/ppp/ip-up.d")
install(PROGRAMS ${_src}/ppp/ip-down.d/zelkora DESTINATION "\${PRANDEL_PPP_ETC}/ppp/ip-down.d")

# --- The release: the Debian changelog's top entry must be this project's version;
# its date is the release date of the metadata and of the manual pages.
file(STRINGS ${_src}/debian/changelog _changelog)
list(GET _changelog 0 _head)
if(NOT _head MATCHES "^prandel \\(([^)]+)\\)" OR NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/debian/changelog begins with '${_head}': "
                      "its top entry must be for version ${PROJECT_VERSION}, the project's")
endif()
list(FILTER _changelog INCLUDE REGEX "^ -- .+>  ")
list(GET _changelog 0 _trailer)
string(REGEX REPLACE "^ -- .+>  " "" _rfc2822 "${_trailer}")
execute_process(COMMAND date -u -d "${_rfc2822}" "+%Y-%m-%d %s"
  OUTPUT_VARIABLE _date OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0 OR NOT _date MATCHES "^([0-9-]+) ([0-9]+)$")
  message(FATAL_ERROR "packaging/debian/changelog: no date in '${_trailer}'")
endif()
set(PRANDEL_RELEASE_DATE ${CMAKE_MATCH_1})
set(PRANDEL_RELEASE_EPOCH ${CMAKE_MATCH_2})

# gzip -n: no name or time stamp, so the package does not change with the build time.
add_custom_command(OUTPUT ${_out}/changelog.gz
  COMMAND sh -c "gzip -9n < \"$1\" > \"$2\"" sh ${_src}/debian/changelog ${_out}/changelog.gz
  DEPENDS ${_src}/debian/changelog
  VERBATIM)
set(_generated ${_out}/changelog.gz)
install(FILES ${_src}/debian/copyright ${_out}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# --- Manual pages, written in scdoc's plain source.
find_program(PRANDEL_SCDOC scdoc)
set(PRANDEL_MAN_PAGES)
if(PRANDEL_SCDOC)
  foreach(_page prandel zktrack)
    configure_file(${_src}/man/${_page}.1.scd ${_out}/${_page}.1.scd @ONLY)
    add_custom_command(OUTPUT ${_out}/${_page}.1 ${_out}/${_page}.1.gz
      COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${PRANDEL_RELEASE_EPOCH}
              sh -c "\"$1\" < \"$2\" > \"$3\" && gzip -9n < \"$3\" > \"$3.gz\""
              sh ${PRANDEL_SCDOC} ${_out}/${_page}.1.scd ${_out}/${_page}.1
      DEPENDS ${_out}/${_page}.1.scd
      VERBATIM)
    list(APPEND _generated ${_out}/${_page}.1.gz)
    list(APPEND PRANDEL_MAN_PAGES ${_out}/${_page}.1)
  endforeach()
  install(FILES ${_out}/prandel.1.gz ${_out}/zktrack.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(WARNING "scdoc is missing (scripts/deps.sh installs it): no manual pages")
endif()
add_custom_target(prandel_package_files ALL DEPENDS ${_generated})

# --- The menu entry, its icon and the software centre's metadata.
configure_file(${_src}/desktop/${PRANDEL_APP_ID}.metainfo.xml.in ${_out}/${PRANDEL_APP_ID}.metainfo.xml @ONLY)
install(FILES ${_src}/desktop/${PRANDEL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PRANDEL_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${_out}/${PRANDEL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# --- The live tracker's systemd user unit, installed but not enabled (a user runs
# `systemctl --user enable --now zelkora-tracker`). It names zktrack where the prefix
# of the installation puts it, which is known only when installing: the package
# installs into a staging folder ending in /usr, and its unit must name /usr/bin.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_src}/systemd/zelkora-tracker.service)
install(CODE "set(PRANDEL_UNIT_SOURCE \"${_src}/systemd/zelkora-tracker.service\")")
install(CODE [[
  if(PRANDEL_UNDER_USR)
    set(_zktrack "/usr/bin/zktrack")
  else()
    set(_zktrack "${CMAKE_INSTALL_PREFIX}/bin/zktrack")
  endif()
  file(READ "${PRANDEL_UNIT_SOURCE}" _unit)
  string(REPLACE "/usr/bin/zktrack" "${_zktrack}" _unit "${_unit}")
  set(_to "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/lib/systemd/user/zelkora-tracker.service")
  message(STATUS "Installing: ${_to}")
  file(WRITE "${_to}" "${_unit}")
]])

# --- The Debian package.
set(CPACK_PACKAGE_NAME prandel)
set(CPACK_PACKAGE_VENDOR "Zelkora")
set(CPACK_PACKAGE_CONTACT "Prandel maintainers <prandel@zelkora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "settings editor of the Zelkora dial-up cost tracker")
# Lines of at most 80 characters, as Debian's tools show them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Prandel edits the settings of the Zelkora tracker, which times dial-up"
  "connections and works out what they cost: the expense conditions and their"
  "week map, the countdown of online time, the call settings, the holidays and"
  "the bookmarks, with an import of favourites. It writes them back byte for"
  "byte into the tracker's fixed-record files."
  ""
  "zktrack stands in for the tracker on Linux: it opens an editor, reports what"
  "changed, shows the settings of a data folder and seeds a demo one. It logs"
  "calls priced with the tariff and reports what they cost, with a chart. As a"
  "systemd user service it is the live tracker: it times the connections"
  "NetworkManager makes and warns before the countdown runs out. The menu entry"
  "Zelkora Settings opens each editor through it.")
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
  string(PREPEND _deps "libqt6widgets6 (>= 6.2), libqt6gui6 (>= 6.2), libqt6svg6 (>= 6.2), libqt6core6 (>= 6.2), libical3, libsqlite3-0, libstdc++6, libc6, ")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${_deps}")
# Without Qt's Wayland plugin a Wayland session falls back to XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, fonts-liberation2")
# The live tracker watches NetworkManager; the hooks serve pppd without it.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "network-manager, ppp")
# Files in /etc are the administrator's: dpkg keeps their changes (conffiles).
file(WRITE ${_out}/conffiles "/etc/ppp/ip-up.d/zelkora\n/etc/ppp/ip-down.d/zelkora\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${_out}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# --- Tests of what gets installed.
if(PRANDEL_TESTS)
  # The package is made from an optimised tree (the sanitizer test tree is no
  # package): this one when it is optimised, else the one named here
  # (scripts/test.sh names its Release tree).
  if(CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$" AND NOT PRANDEL_SANITIZE)
    set(_package_tree ${PROJECT_BINARY_DIR})
  else()
    set(_package_tree "")
  endif()
  set(PRANDEL_PACKAGE_TREE "${_package_tree}" CACHE PATH
      "An optimised build tree whose cpack makes the .deb that the package tests check")

  add_test(NAME package_deb COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/deb_install.sh)
  add_test(NAME package_desktop_files COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/desktop_files.sh
    ${_src}/desktop/${PRANDEL_APP_ID}.desktop ${_out}/${PRANDEL_APP_ID}.metainfo.xml $<TARGET_FILE:zktrack>)
  set_tests_properties(package_deb package_desktop_files PROPERTIES
    LABELS package
    SKIP_RETURN_CODE 77
    TIMEOUT 600
    ENVIRONMENT "BUILD_DIR=${PRANDEL_PACKAGE_TREE};LC_ALL=C.UTF-8;TZ=UTC")
  # What `cmake --install` of this tree puts in a prefix: every link of every
  # installed Markdown document leads to an installed file, and the guide that
  # zktrack names is there.
  # (of the optimised tree when one is named, else of this one, which must be built
  # whole).
  if(PRANDEL_PACKAGE_TREE)
    set(_docs_tree ${PRANDEL_PACKAGE_TREE})
  else()
    set(_docs_tree ${PROJECT_BINARY_DIR})
  endif()
  # The pppd hooks as pppd runs them, with a fake zktrack and with the real one.
  add_test(NAME package_ppp_hooks COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/ppp_hooks.sh ${PROJECT_SOURCE_DIR}
    $<TARGET_FILE:zktrack>)
  set_tests_properties(package_ppp_hooks PROPERTIES
    LABELS package
    TIMEOUT 120
    ENVIRONMENT "LC_ALL=C.UTF-8;TZ=UTC")
  add_test(NAME package_install_docs COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/install_docs.sh ${_docs_tree})
  set_tests_properties(package_install_docs PROPERTIES
    LABELS package
    TIMEOUT 300
    ENVIRONMENT "LC_ALL=C.UTF-8;TZ=UTC")
  # The sources are named one by one: a .cpp under src, tools or tests that no
  # CMakeLists.txt names would never be compiled (a test that never runs).
  add_test(NAME package_sources_listed COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/package/sources_listed.py
    ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
  # No file includes a header of a layer above its own (docs/architecture.md).
  add_test(NAME package_include_layers COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/package/include_layers.py
    ${PROJECT_SOURCE_DIR})
  set_tests_properties(package_sources_listed package_include_layers PROPERTIES
    LABELS package
    TIMEOUT 60
    ENVIRONMENT "LC_ALL=C.UTF-8;TZ=UTC")
  if(PRANDEL_SCDOC)
    add_test(NAME package_man_pages COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/package/man_pages.py
      $<TARGET_FILE:prandel> $<TARGET_FILE:zktrack> ${PRANDEL_MAN_PAGES})
    set_tests_properties(package_man_pages PROPERTIES
      LABELS package
      TIMEOUT 60
      ENVIRONMENT "LC_ALL=C.UTF-8;TZ=UTC")
  endif()
endif()
