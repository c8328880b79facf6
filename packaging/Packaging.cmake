# Desktop integration and the Debian package (cpack -G DEB). The programs
# find the project's shared libraries in a private folder through RPATH.
set(KORVEX_APP_ID org.korvex.KorvexPro)

configure_file(packaging/desktop/${KORVEX_APP_ID}.metainfo.xml
               ${CMAKE_BINARY_DIR}/packaging/${KORVEX_APP_ID}.metainfo.xml @ONLY)
# Manual pages and the changelog are installed compressed, as Debian's policy
# asks; gzip -n leaves out the name and time stamp so that builds repeat.
set(korvex_packaging_gz)
function(korvex_gzip_doc source_in plain destination)
  configure_file(${source_in} ${CMAKE_BINARY_DIR}/packaging/${plain} @ONLY)
  set(gz ${CMAKE_BINARY_DIR}/packaging/${plain}.gz)
  add_custom_command(OUTPUT ${gz}
                     COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/packaging/${plain}
                     DEPENDS ${CMAKE_BINARY_DIR}/packaging/${plain} VERBATIM)
  install(FILES ${gz} DESTINATION ${destination})
  set(korvex_packaging_gz ${korvex_packaging_gz} ${gz} PARENT_SCOPE)
endfunction()
foreach(page korvex-cli.1 KorvexPro.1)
  korvex_gzip_doc(packaging/man/${page} man/${page} ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
set(korvex_docdir ${CMAKE_INSTALL_DATADIR}/doc/korvexpro)
korvex_gzip_doc(packaging/debian/changelog changelog ${korvex_docdir})
add_custom_target(korvex_packaging_docs ALL DEPENDS ${korvex_packaging_gz})
install(FILES packaging/debian/copyright DESTINATION ${korvex_docdir})

install(FILES packaging/desktop/${KORVEX_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${KORVEX_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES packaging/desktop/korvexpro-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME korvexpro.xml)
install(FILES app/resources/icons/korvex.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${KORVEX_APP_ID}.svg)
install(FILES packaging/bash-completion/korvex-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
# udev reads packaged rules from /usr/lib/udev/rules.d, whatever the libdir.
install(FILES packaging/udev/70-korvex-recorder.rules DESTINATION lib/udev/rules.d)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvexpro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Korvex <support@korvex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "offline CAN-bus recorder: configuration, upload and analysis")
# Extended description lines stay within 80 columns.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "KorvexPro configures an offline CAN-bus recorder, uploads its recordings\n"
       "over USB and shows and analyses them; korvex-cli does the same from a\n"
       "terminal and converts recordings to and from the trace formats of other\n"
       "CAN tools.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
# dpkg-shlibdeps finds what the programs link. What Qt loads at run time it
# cannot see: the SVG image plug-in that draws the toolbar icons, and a font
# with Chinese glyphs for the default language. The platform plug-ins beyond
# the one in libqt6gui6, and Qt's translations of its own dialog texts, are
# welcome but not needed.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
include(CPack)
