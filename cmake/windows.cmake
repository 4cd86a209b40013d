# windows.cmake — the native Windows screen saver, vexlar3d.scr, built with
# MinGW-w64 (cmake/mingw-w64-x86_64.cmake, scripts/build-windows.sh).
#
# The real system is the platform: the subsystems include the system's own
# windows.h, ddraw.h, d3d.h, dmusici.h and commctrl.h, and src/platform/'s
# Linux stand-ins are not compiled. src/platform/windows/ gives what Windows
# lacks; the resources are compiled by windres from the same manifest.
# The Linux-only modes (the option layer, --render, --bench) stay out.
enable_language(RC)

set(VEXLAR_PLATFORM_SOURCES platform/windows)
set(VEXLAR_PLATFORM_LINKS ddraw dxguid dmoguids ole32 oleaut32 uuid windowscodecs winmm comctl32 shell32
                          advapi32 gdi32 user32)
set(VEXLAR_PLATFORM_INCLUDE "")
set(VEXLAR_SKIPPED_SOURCES "src/host/command_options\\.cpp$" "src/app/headless_(render|bench)\\.cpp$")
include(cmake/subsystems.cmake)

# Where the settings dialog's "Visit..." button goes: set by whoever packs the
# saver for installation; empty, the button opens nothing.
set(VEXLAR_README_URL "" CACHE STRING "The address the settings dialog's Visit... button opens")
include(cmake/readme_url.cmake)

# The icon, from the sizes the Linux desktop installs.
set(VEXLAR_ICON ${CMAKE_BINARY_DIR}/generated/vexlar3d.ico)
set(VEXLAR_ICON_SOURCES)
foreach(size 16 32 48 256)
  list(APPEND VEXLAR_ICON_SOURCES ${CMAKE_SOURCE_DIR}/resources/icons/vexlar3d_${size}.png)
endforeach()
add_custom_command(
  OUTPUT ${VEXLAR_ICON}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND convert ${VEXLAR_ICON_SOURCES} ${VEXLAR_ICON}
  DEPENDS ${VEXLAR_ICON_SOURCES}
  COMMENT "Making the icon")

# The manifest as windres reads it: the system headers for the control styles,
# the icon in its Windows form, the defaults file from the overlay, and a
# version resource.
set(VEXLAR_WINDOWS_RC ${CMAKE_BINARY_DIR}/generated/vexlar3d_windows.rc)
add_custom_command(
  OUTPUT ${VEXLAR_WINDOWS_RC}
  COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_SOURCE_DIR}/resources/vexlar3d.rc -DOUT=${VEXLAR_WINDOWS_RC}
          -DICON=${VEXLAR_ICON} -DSETTINGS=${VEXLAR_RESOURCE_OVERLAY}/def_settings.txt
          -DVERSION=${VEXLAR_PACKAGE_VERSION}
          -P ${CMAKE_SOURCE_DIR}/cmake/windows_rc.cmake
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/vexlar3d.rc ${CMAKE_SOURCE_DIR}/cmake/windows_rc.cmake
          ${VEXLAR_ICON} ${VEXLAR_RESOURCE_OVERLAY}/def_settings.txt
  COMMENT "Writing the resource script for windres")
file(GLOB_RECURSE VEXLAR_RESOURCE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*)
set_source_files_properties(${VEXLAR_WINDOWS_RC} PROPERTIES OBJECT_DEPENDS "${VEXLAR_RESOURCE_FILES}")

add_executable(vexlar3d WIN32 src/host/main_windows.cpp ${VEXLAR_WINDOWS_RC})
set_target_properties(vexlar3d PROPERTIES SUFFIX .scr)
target_include_directories(vexlar3d PRIVATE ${CMAKE_SOURCE_DIR}/resources)
target_compile_options(vexlar3d PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${VEXLAR_WARNINGS}>)
target_link_libraries(vexlar3d PRIVATE vexlar_core)
# Only system DLLs beside it: the compiler's runtime is linked in. A release
# is stripped.
target_link_options(vexlar3d PRIVATE -static -static-libgcc -static-libstdc++ $<$<CONFIG:Release>:-s>)

include(cmake/windows_tests.cmake)
include(cmake/windows_package.cmake)
