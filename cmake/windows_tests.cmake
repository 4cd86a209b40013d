# windows_tests.cmake — the unit tests of the Windows build, vexlar_tests.exe,
# run under Wine by CTest (tests/windows/wine_run.sh; WINEPREFIX from the
# caller). GoogleTest is built from Debian's sources with the same compiler.
#
# Left out are the tests of the Linux platform and those that need its seams
# (platform/platform_testing.h: the headless backend and GL device, the
# virtual clock, the DirectDraw and CoCreateInstance hooks, the dialog
# stand-ins) or the Linux option layer; those that remain use the system's
# DirectX and registry, and the resources windres compiles into the test.
include(CTest)
if(NOT BUILD_TESTING)
  return()
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB_RECURSE VEXLAR_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*.cpp)
foreach(linux_only
    "/tests/(platform|fuzz|e2e|app|host|music)/"
    "/tests/scene/[^/]+\\.cpp$"
    "/tests/support/headless_device\\.cpp$"
    "/tests/scene/effects/code_rain_grid_test\\.cpp$"
    "/tests/assets/(glyph_font|texture_loader)_test\\.cpp$"
    "/tests/config/(config_dialog|xscreensaver_config)_test\\.cpp$")
  list(FILTER VEXLAR_TEST_SOURCES EXCLUDE REGEX "${linux_only}")
endforeach()

if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tests/windows/wine_run.sh)
endif()
add_executable(vexlar_tests ${VEXLAR_TEST_SOURCES} ${VEXLAR_WINDOWS_RC})
# The resource script and the icon are made by the saver's rules, once.
add_dependencies(vexlar_tests vexlar3d)
target_include_directories(vexlar_tests PRIVATE tests ${CMAKE_SOURCE_DIR}/resources)
# -Wno-restrict: g++ 12 at -O3 sees overlapping copies in std::string's
# operator+ (defaults_file_test.cpp) that are none.
target_compile_options(vexlar_tests PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${VEXLAR_WARNINGS} -Wno-restrict>)
target_compile_definitions(vexlar_tests PRIVATE $<$<COMPILE_LANGUAGE:CXX>:VEXLAR_SOURCE_DIR="${CMAKE_SOURCE_DIR}">
                                               $<$<COMPILE_LANGUAGE:CXX>:VEXLAR_README_URL="${VEXLAR_README_URL}">)
target_link_libraries(vexlar_tests PRIVATE vexlar_core gtest gmock)
target_link_options(vexlar_tests PRIVATE -static -static-libgcc -static-libstdc++)

include(GoogleTest)
gtest_discover_tests(vexlar_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
