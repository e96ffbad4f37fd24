# What an installed Kestrel needs beside the viewer itself, and the Debian
# package of all of it (cpack -G DEB in the build folder; make package from
# the top builds it and checks it with lintian):
# - kestrel-convert, the manual pages (gzip-compressed), the HTML manual, the
#   licence as a Debian copyright file and the package's changelog;
# - the AppStream metadata and the icons in the hicolor theme, a scalable SVG
#   and PNGs rendered from it at build time (rsvg-convert);
# - a test that runs desktop-file-validate and appstreamcli on the desktop
#   entry and the metadata where those tools are installed.
include(GNUInstallDirs)
# Directories the installation makes are 755 whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(KESTREL_DOC_DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kestrel)
set(KESTREL_GENERATED_DOC ${CMAKE_BINARY_DIR}/doc)

if(TARGET kestrel-convert)
  install(TARGETS kestrel-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Compressed copies: the manual pages and the changelog.
find_program(KESTREL_GZIP gzip REQUIRED)
set(KESTREL_COMPRESSED_DOCS)
foreach(source doc/kestrel.1 doc/kestrel-convert.1 packaging/changelog)
  get_filename_component(name ${source} NAME)
  set(copy ${KESTREL_GENERATED_DOC}/${name})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/${source} ${copy}
    COMMAND ${KESTREL_GZIP} -9nf ${copy}
    DEPENDS ${PROJECT_SOURCE_DIR}/${source}
    VERBATIM)
  list(APPEND KESTREL_COMPRESSED_DOCS ${copy}.gz)
endforeach()
install(FILES ${KESTREL_GENERATED_DOC}/kestrel.1.gz ${KESTREL_GENERATED_DOC}/kestrel-convert.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KESTREL_GENERATED_DOC}/changelog.gz DESTINATION ${KESTREL_DOC_DESTINATION})

# The licence in the machine-readable copyright format.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE KESTREL_LICENSE_TEXT)
string(REGEX REPLACE "\n+$" "" KESTREL_LICENSE_TEXT "${KESTREL_LICENSE_TEXT}")
string(REGEX REPLACE "^Copyright[^\n]*\n\n" "" KESTREL_LICENSE_BODY "${KESTREL_LICENSE_TEXT}")
string(REPLACE "\n\n" "\n.\n" KESTREL_LICENSE_BODY "${KESTREL_LICENSE_BODY}")
string(REPLACE "\n" "\n " KESTREL_LICENSE_BODY "${KESTREL_LICENSE_BODY}")
file(WRITE ${KESTREL_GENERATED_DOC}/copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: Kestrel\n\n"
  "Files: *\nCopyright: 2026 ORVANE, INC.\nLicense: MIT\n ${KESTREL_LICENSE_BODY}\n")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
install(FILES ${KESTREL_GENERATED_DOC}/copyright DESTINATION ${KESTREL_DOC_DESTINATION})

# The HTML manual that help opens when there is no help file. A copy in the
# build tree, where the program looks relative to itself, serves make run.
install(FILES doc/manual.html DESTINATION ${KESTREL_DOC_DESTINATION})
configure_file(doc/manual.html ${CMAKE_BINARY_DIR}/share/doc/kestrel/manual.html COPYONLY)

install(FILES res/com.orvane.Kestrel.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Icons: the SVG as it is, and a PNG of each size the theme lists.
set(KESTREL_ICON_SVG ${PROJECT_SOURCE_DIR}/res/kestrel.svg)
set(KESTREL_ICON_THEME ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${KESTREL_ICON_SVG} DESTINATION ${KESTREL_ICON_THEME}/scalable/apps)
find_program(KESTREL_RSVG_CONVERT rsvg-convert)
set(KESTREL_ICON_PNGS)
if(KESTREL_RSVG_CONVERT)
  foreach(size 16 24 32 48 64 128 256)
    set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/kestrel.png)
    # Ninja makes an output's folder itself; other generators do not.
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
      COMMAND ${KESTREL_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${KESTREL_ICON_SVG}
      DEPENDS ${KESTREL_ICON_SVG}
      VERBATIM)
    list(APPEND KESTREL_ICON_PNGS ${png})
    install(FILES ${png} DESTINATION ${KESTREL_ICON_THEME}/${size}x${size}/apps)
  endforeach()
elseif(TARGET kestrel_icon_png)
  message(WARNING "rsvg-convert not found (librsvg2-bin): only the 48-pixel icon is installed")
  install(FILES ${CMAKE_BINARY_DIR}/res/kestrel.png DESTINATION ${KESTREL_ICON_THEME}/48x48/apps)
endif()

add_custom_target(kestrel_install_files ALL DEPENDS ${KESTREL_COMPRESSED_DOCS} ${KESTREL_ICON_PNGS})

if(KESTREL_BUILD_TESTS)
  add_test(NAME kestrel_desktop_metadata
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/validate-metadata.sh
            ${PROJECT_SOURCE_DIR}/res/kestrel.desktop ${PROJECT_SOURCE_DIR}/res/com.orvane.Kestrel.metainfo.xml)
  set_tests_properties(kestrel_desktop_metadata PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 60 LABELS unit)
endif()

# The Debian package.
set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VENDOR "ORVANE, INC.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kestrel maintainers <maintainers@users.noreply.c-seed-1572c9c5.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer that plays a directory of GIF images as shots")
set(CPACK_PACKAGE_DESCRIPTION
  "Kestrel lists every GIF image of a directory by last-write time, reads a shot\n"
  "number from each file name and shows the shots one by one: step through\n"
  "them, jump to a shot number, play them on a timer, fit them to the window.\n"
  "It follows the directory while it is open, so new shots join the list as\n"
  "they are written.\n"
  "\n"
  "kestrel-convert reads BMP, GIF, ICO, JPEG, PCX, PNG, TGA and TIFF files with\n"
  "Kestrel's own readers and writes what they read as BMP, PNG or PPM.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Help opens the HTML manual through the desktop's opener.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
include(CPack)
