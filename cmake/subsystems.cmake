# subsystems.cmake — one library per subsystem, linked in the designed direction:
#   host -> app -> scene (with its effects) -> assets -> math
#   app -> music, app/scene/host -> config, every one -> platform
# Each compiles against an include root of its own that holds only the
# subsystems it may use (links to their folders under src/), so an include
# against the direction does not build. The tests see all of src/.
#
# Shared by both targets. The including file sets:
#   VEXLAR_PLATFORM_SOURCES  the platform layer's folder under src/ (Linux:
#                            platform, Windows: platform/windows)
#   VEXLAR_PLATFORM_LINKS    what the platform layer links
#   VEXLAR_PLATFORM_INCLUDE  the Win32/DirectX-shaped headers (empty on
#                            Windows, where the system's own are used)
#   VEXLAR_SKIPPED_SOURCES   regular expressions of files this target leaves out
# and gets VEXLAR_SUBSYSTEM_TARGETS.
set(VEXLAR_LAYER_ROOTS ${CMAKE_BINARY_DIR}/layers)
set(VEXLAR_SUBSYSTEM_TARGETS)
function(vexlar_subsystem name)
  cmake_parse_arguments(ARG "" "FROM" "SEES;LINKS" ${ARGN})
  if(NOT ARG_FROM)
    set(ARG_FROM ${name})
  endif()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${ARG_FROM}/*.cpp)
  # The entries are the executable's, not a library's.
  list(FILTER sources EXCLUDE REGEX "src/host/main(_windows)?\\.cpp$")
  foreach(skipped ${VEXLAR_SKIPPED_SOURCES})
    list(FILTER sources EXCLUDE REGEX "${skipped}")
  endforeach()
  set(root ${VEXLAR_LAYER_ROOTS}/${name})
  file(MAKE_DIRECTORY ${root})
  foreach(seen ${name} ${ARG_SEES})
    if(NOT EXISTS ${root}/${seen})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${seen} ${root}/${seen} SYMBOLIC)
    endif()
  endforeach()
  add_library(vexlar_${name} STATIC ${sources})
  target_include_directories(vexlar_${name} PRIVATE ${root} PUBLIC ${VEXLAR_PLATFORM_INCLUDE})
  target_compile_options(vexlar_${name} PRIVATE ${VEXLAR_WARNINGS})
  target_compile_definitions(vexlar_${name} PUBLIC VEXLAR_VERSION="${PROJECT_VERSION}")
  target_link_libraries(vexlar_${name} PUBLIC ${ARG_LINKS})
  set(VEXLAR_SUBSYSTEM_TARGETS ${VEXLAR_SUBSYSTEM_TARGETS} vexlar_${name} PARENT_SCOPE)
endfunction()

vexlar_subsystem(platform FROM ${VEXLAR_PLATFORM_SOURCES} LINKS ${VEXLAR_PLATFORM_LINKS})
vexlar_subsystem(math)
vexlar_subsystem(config SEES platform LINKS vexlar_platform)
vexlar_subsystem(music SEES platform LINKS vexlar_platform)
vexlar_subsystem(assets SEES math platform LINKS vexlar_math vexlar_platform)
vexlar_subsystem(scene SEES assets config math platform LINKS vexlar_assets vexlar_config vexlar_math)
# The application hands what its window procedure does not consume to the
# host's DefSaverProc, as a screen saver's library expects; the host sees
# nothing of the application, and the entry (in the executable) joins the two.
vexlar_subsystem(host SEES assets config math music platform scene LINKS vexlar_config vexlar_platform)
vexlar_subsystem(app SEES host assets config math music platform scene
                 LINKS vexlar_host vexlar_scene vexlar_music vexlar_config)

# Everything, for the executable, the tools and the tests.
add_library(vexlar_core INTERFACE)
target_include_directories(vexlar_core INTERFACE src ${VEXLAR_PLATFORM_INCLUDE})
target_link_libraries(vexlar_core INTERFACE ${VEXLAR_SUBSYSTEM_TARGETS})
