# Desktop integration and the Debian package (cpack -G DEB). The programs
# find the project's shared libraries in a private folder through RPATH.
set(KORVEX_APP_ID org.korvex.KorvexPro)

configure_file(packaging/desktop/${KORVEX_APP_ID}.metainfo.xml
               ${CMAKE_BINARY_DIR}/packaging/${KORVEX_APP_ID}.metainfo.xml @ONLY)
foreach(page korvex-cli.1 KorvexPro.1)
  configure_file(packaging/man/${page} ${CMAKE_BINARY_DIR}/packaging/man/${page} @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/man/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

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
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "KorvexPro configures an offline CAN-bus recorder, uploads its recordings over USB\n"
       "and shows and analyses them; korvex-cli does the same from a terminal and converts\n"
       "recordings to and from candump logs, ASC files and CSV.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "")
set(CPACK_STRIP_FILES ON)
include(CPack)
