# What `cpack` packs: on Windows k5-iap-tool-<version>-win64.zip with the two
# programs (self-contained) and a short README for Windows users; on
# Linux k5-iap-tool_<version>_amd64.deb for /usr with the desktop entry, icons,
# AppStream metadata, man pages, copyright and changelog.
set(CPACK_PACKAGE_NAME k5-iap-tool)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "K5 IAP Tool developers")
set(CPACK_PACKAGE_CONTACT "K5 IAP Tool developers <dev@k5-drive.example>")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
# The Windows programs are stripped by the release script before it signs them (stripping a signed
# file drops its signature).
if(NOT WIN32)
  set(CPACK_STRIP_FILES ON)
endif()

if(WIN32)
  install(TARGETS k5-iap RUNTIME DESTINATION .)
  if(TARGET k5-iap-tool)
    install(TARGETS k5-iap-tool RUNTIME DESTINATION .)
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "k5-iap-tool-${PROJECT_VERSION}-win64")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  include(CPack)
  return()
endif()

include(GNUInstallDirs)
set(_k5_linux ${PROJECT_SOURCE_DIR}/packaging/linux)
set(_k5_doc ${CMAKE_INSTALL_DATADIR}/doc/k5-iap-tool)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS k5-iap k5-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET k5-iap-tool)
  install(TARGETS k5-iap-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${_k5_linux}/k5-iap-tool.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${_k5_linux}/k5-iap-tool-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
          RENAME k5-iap-tool.xml)
  configure_file(${_k5_linux}/example.k5_drive.K5IapTool.metainfo.xml
                 ${CMAKE_BINARY_DIR}/packaging/example.k5_drive.K5IapTool.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/example.k5_drive.K5IapTool.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${PROJECT_SOURCE_DIR}/app/resources/icon.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps RENAME k5-iap-tool.png)
  foreach(_size 48 128 256)
    install(FILES ${_k5_linux}/icons/k5-iap-tool-${_size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps RENAME k5-iap-tool.png)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/app/resources/icon.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME k5-iap-tool.svg)
endif()

# Man pages and the changelog compressed as Debian wants them (no time stamp in the gzip header).
set(_k5_gzipped)
foreach(_page k5-iap k5-sim k5-iap-tool)
  configure_file(${_k5_linux}/${_page}.1 ${CMAKE_BINARY_DIR}/packaging/${_page}.1 @ONLY)
  list(APPEND _k5_gzipped ${_page}.1)
endforeach()
configure_file(${_k5_linux}/changelog ${CMAKE_BINARY_DIR}/packaging/changelog COPYONLY)
list(APPEND _k5_gzipped changelog)
set(_k5_gz_outputs)
foreach(_file ${_k5_gzipped})
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/${_file}.gz
                     COMMAND gzip -9nkf ${_file}
                     DEPENDS ${CMAKE_BINARY_DIR}/packaging/${_file}
                     WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
  list(APPEND _k5_gz_outputs ${CMAKE_BINARY_DIR}/packaging/${_file}.gz)
endforeach()
add_custom_target(k5-package-docs ALL DEPENDS ${_k5_gz_outputs})
foreach(_page k5-iap k5-sim k5-iap-tool)
  if(_page STREQUAL "k5-iap-tool" AND NOT TARGET k5-iap-tool)
    continue()
  endif()
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${_page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${_k5_linux}/copyright DESTINATION ${_k5_doc})
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${_k5_doc})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Chinese in the windows needs a CJK face (the UI face's stand-in, fonts.cpp); Qt's own words (the boxes'
# buttons, the file dialog) come in the user's language from Qt's translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.k5-drive.example/")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware updater for the K5 mid-drive motor controller")
# CPack makes the synopsis from the summary and indents this text; an empty line becomes " .".
set(CPACK_PACKAGE_DESCRIPTION "Workshop and service staff update the firmware of the K5 mid-drive motor
controller of an e-bike with this tool, over a serial programming cable. It
opens an update pack, checks it, and programs the controller through its
bootloader, restarting the running firmware into the bootloader when it does
not answer.

The package holds the desktop program k5-iap-tool, the command-line
programmer k5-iap for scripts and headless work, and k5-sim, a simulated
controller for trying everything without hardware.")
include(CPack)
