# Installing the program as desktop software is installed: the program in bin, its tool folder in
# share/pliego/imgmagic (where the program looks when imgmagic is not beside it), a desktop entry
# and an icon; and a Debian package of the same files.
include(GNUInstallDirs)

# The program finds its installed tool folder from its own folder, whatever the prefix.
file(RELATIVE_PATH PLIEGO_DATA_FROM_BIN /prefix/${CMAKE_INSTALL_BINDIR}
     /prefix/${CMAKE_INSTALL_DATADIR}/pliego)
set_property(SOURCE ${CMAKE_SOURCE_DIR}/app/ProgramFolder.cpp APPEND PROPERTY
    COMPILE_DEFINITIONS PLIEGO_DATA_FROM_BIN="${PLIEGO_DATA_FROM_BIN}")

install(TARGETS pliego RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# What runs write into the tool folder (the effect test pictures) does not ship.
install(DIRECTORY ${PLIEGO_TOOL_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/pliego/imgmagic
    PATTERN "*ImgMgk_T.jpg" EXCLUDE)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/pliego.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/pliego.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME pliego)
set(CPACK_PACKAGE_VENDOR Pliego)
set(CPACK_PACKAGE_CONTACT "Pliego maintainers <maintainers@pliego.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns scanned book spreads into page images")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Point Pliego at a folder of scans, set a crop rectangle on a \
preview (one page, or a double-page spread cut into a left and a right page) and crop the whole \
list into JPEG, TIFF, GIF, PNG or BMP pages in the chosen colour format, with thumbnails, \
watermarks, effects and page numbers. The window is in Spanish.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The libraries the program links come from dpkg-shlibdeps (qpdf, Leptonica and Tesseract among
# them); ImageMagick's convert draws the effects and the page-number labels; the book PDF's text
# is read with Tesseract's Spanish and English data.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "imagemagick, tesseract-ocr-spa, tesseract-ocr-eng")
include(CPack)
