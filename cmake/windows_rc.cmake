# windows_rc.cmake — writes the resource manifest as windres reads it (cmake -P):
# IN the manifest, OUT the script, ICON the .ico, SETTINGS the defaults file,
# VERSION the package version (0.1.0-1), which the version resource carries.
file(READ ${IN} text)
string(REPLACE "\"icons/vexlar3d_256.png\"" "\"${ICON}\"" text "${text}")
string(REPLACE "\"def_settings.txt\"" "\"${SETTINGS}\"" text "${text}")
# The version as Windows numbers it: four parts, the package revision last.
string(REGEX REPLACE "[.-]" "," numbers "${VERSION}")
file(WRITE ${OUT} "#include <windows.h>
#include <commctrl.h>
${text}
// What Windows shows of the file (its properties, the uninstall list).
1 VERSIONINFO
FILEVERSION ${numbers}
PRODUCTVERSION ${numbers}
FILEOS VOS_NT_WINDOWS32
FILETYPE VFT_APP
BEGIN
    BLOCK \"StringFileInfo\"
    BEGIN
        BLOCK \"040904B0\"
        BEGIN
            VALUE \"CompanyName\", \"The Vexlar 3D Team\"
            VALUE \"FileDescription\", \"Vexlar 3D screen saver\"
            VALUE \"FileVersion\", \"${VERSION}\"
            VALUE \"InternalName\", \"vexlar3d\"
            VALUE \"LegalCopyright\", \"Copyright (c) 2026 The Vexlar 3D Team, MIT License\"
            VALUE \"OriginalFilename\", \"vexlar3d.scr\"
            VALUE \"ProductName\", \"Vexlar 3D\"
            VALUE \"ProductVersion\", \"${VERSION}\"
        END
    END
    BLOCK \"VarFileInfo\"
    BEGIN
        VALUE \"Translation\", 0x409, 1200
    END
END
")
