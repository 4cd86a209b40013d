# windows_rc.cmake — writes the resource manifest as windres reads it (cmake -P):
# IN the manifest, OUT the script, ICON the .ico, SETTINGS the defaults file.
file(READ ${IN} text)
string(REPLACE "\"icons/vexlar3d_256.png\"" "\"${ICON}\"" text "${text}")
string(REPLACE "\"def_settings.txt\"" "\"${SETTINGS}\"" text "${text}")
file(WRITE ${OUT} "#include <windows.h>\n#include <commctrl.h>\n${text}")
