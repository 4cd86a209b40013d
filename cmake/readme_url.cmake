# readme_url.cmake — the defaults file packed with the address the settings
# dialog's "Visit..." button opens (VEXLAR_README_URL, set by the includer),
# written into an overlay folder that the resource compilers prefer to
# resources/.
set(VEXLAR_RESOURCE_OVERLAY ${CMAKE_BINARY_DIR}/generated/resources)
# sed, not CMake's file(READ): the file's CR LF line ends and code-page bytes stay as they are.
string(REGEX REPLACE "([|&\\])" "\\\\\\1" VEXLAR_README_URL_SED "${VEXLAR_README_URL}")
add_custom_command(
  OUTPUT ${VEXLAR_RESOURCE_OVERLAY}/def_settings.txt
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VEXLAR_RESOURCE_OVERLAY}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/resources/def_settings.txt ${VEXLAR_RESOURCE_OVERLAY}/def_settings.txt.new
  COMMAND env LC_ALL=C sed -i -e "s|^\\(main_web_site_url[[:space:]]*=[[:space:]]*\\)[^;]*|\\1${VEXLAR_README_URL_SED}|"
          ${VEXLAR_RESOURCE_OVERLAY}/def_settings.txt.new
  COMMAND grep -q -F "${VEXLAR_README_URL};" ${VEXLAR_RESOURCE_OVERLAY}/def_settings.txt.new
  COMMAND ${CMAKE_COMMAND} -E rename ${VEXLAR_RESOURCE_OVERLAY}/def_settings.txt.new ${VEXLAR_RESOURCE_OVERLAY}/def_settings.txt
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/def_settings.txt
  COMMENT "Pointing the defaults file at ${VEXLAR_README_URL}"
  VERBATIM)
