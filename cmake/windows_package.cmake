# The Windows installer: the target vexlar_setup (not part of "all") packs the
# screen saver with makensis into vexlar3d-<version>-setup.exe
# (packaging/windows/vexlar3d.nsi says what it installs where).
set(VEXLAR_SETUP ${CMAKE_BINARY_DIR}/vexlar3d-${VEXLAR_PACKAGE_VERSION}-setup.exe)
set(VEXLAR_NSI ${CMAKE_SOURCE_DIR}/packaging/windows/vexlar3d.nsi)
find_program(VEXLAR_MAKENSIS makensis)
if(VEXLAR_MAKENSIS)
  add_custom_command(
    OUTPUT ${VEXLAR_SETUP}
    COMMAND ${VEXLAR_MAKENSIS} -V2 -WX -DVERSION=${VEXLAR_PACKAGE_VERSION} -DSCR=$<TARGET_FILE:vexlar3d>
            -DLICENSE=${CMAKE_SOURCE_DIR}/LICENSE -DICON=${VEXLAR_ICON} -DOUTFILE=${VEXLAR_SETUP} ${VEXLAR_NSI}
    DEPENDS vexlar3d ${VEXLAR_NSI} ${CMAKE_SOURCE_DIR}/LICENSE ${VEXLAR_ICON}
    COMMENT "Making the installer vexlar3d-${VEXLAR_PACKAGE_VERSION}-setup.exe"
    VERBATIM)
  add_custom_target(vexlar_setup DEPENDS ${VEXLAR_SETUP})
else()
  add_custom_target(vexlar_setup
    COMMAND ${CMAKE_COMMAND} -E echo "vexlar_setup: makensis was not found; install NSIS (Debian: apt-get install nsis)"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
endif()
