# Two Debian packages from the install rules: varto-compress-cli (batch
# command and converter; a server installs it without the desktop
# libraries) and varto-compress (the window), which depends on the first.
# `cmake --build build --target deb` writes them into build/packages.
set(CPACK_PACKAGE_NAME varto-compress)
set(CPACK_PACKAGE_VENDOR "Varto")
set(CPACK_PACKAGE_CONTACT "Varto <varto@varto.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Make PDF files smaller")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_COMPONENTS_ALL cli window)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://varto.example/")

set(CPACK_DEBIAN_CLI_PACKAGE_NAME varto-compress-cli)
set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS "ghostscript, qpdf")
# Only office documents need it; without it the converter says so.
set(CPACK_DEBIAN_CLI_PACKAGE_RECOMMENDS "libreoffice-writer, libreoffice-calc, libreoffice-impress")
set(CPACK_COMPONENT_CLI_DESCRIPTION
  "batch command and converter that make PDF files smaller\n"
  "varto-compress-cli compresses PDF files with Ghostscript, qpdf and lossless\n"
  "restructuring steps; a result is never larger than its input and input files\n"
  "are never changed. varto-DocTool converts pictures, text and office\n"
  "documents to PDF first.")

set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME varto-compress)
set(CPACK_DEBIAN_WINDOW_PACKAGE_SECTION graphics)
set(CPACK_COMPONENT_WINDOW_DEPENDS cli)
set(CPACK_COMPONENT_WINDOW_DESCRIPTION
  "window program that makes PDF files smaller\n"
  "Add PDF files and other documents to the window, choose resolution, image\n"
  "quality and colour model, and every file is compressed in the background.")

include(CPack)

add_custom_target(deb
  COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Building the Debian packages in ${CMAKE_BINARY_DIR}/packages"
  VERBATIM)
add_dependencies(deb varto-compress varto-compress-cli varto-DocTool man_pages)
