; The Windows installer of the screen saver: vexlar3d-<version>-setup.exe.
;
; Run with administrator rights it installs for all users: the saver into the
; system folder, the uninstaller into "Program Files\Vexlar 3D", the uninstall
; entry under HKLM. Without them, for the current user only: both files into
; "%LOCALAPPDATA%\Programs\Vexlar 3D", the entry under HKCU. /S installs and
; uninstalls silently; the uninstaller keeps the saver's settings unless its
; "Remove my settings as well" box is ticked.
;
; makensis -DVERSION=0.1.0-1 -DSCR=vexlar3d.scr -DLICENSE=LICENSE
;          -DICON=vexlar3d.ico -DOUTFILE=vexlar3d-0.1.0-1-setup.exe vexlar3d.nsi
; (cmake/windows_package.cmake: the target vexlar_setup.)

!macro REQUIRE define
  !ifndef ${define}
    !error "${define} is not defined (makensis -D${define}=...)"
  !endif
!macroend
!insertmacro REQUIRE VERSION
!insertmacro REQUIRE SCR
!insertmacro REQUIRE LICENSE
!insertmacro REQUIRE ICON
!insertmacro REQUIRE OUTFILE

Unicode true
; The saver is a 64-bit program: so is the installer, which makes $SYSDIR the
; 64-bit System32 and the registry the 64-bit view, with no redirection.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
; Administrators are asked to elevate (and install for everyone); other users
; are not asked and install for themselves.
RequestExecutionLevel highest

!include MUI2.nsh
!include LogicLib.nsh
!include WinMessages.nsh

!define PRODUCT "Vexlar 3D"
!define PUBLISHER "The Vexlar 3D Team"
!define SCR_NAME "vexlar3d.scr"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define SETTINGS_KEY "Software\Microsoft\Screensavers\Vexlar 3D ScreenSaver"
!define USER_DIR "$LOCALAPPDATA\Programs\${PRODUCT}"
!define ALL_USERS_DIR "$PROGRAMFILES64\${PRODUCT}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

; Windows wants four numbers: 0.1.0-1 is 0.1.0.1.
!searchreplace VERSION_NUMBERS "${VERSION}" "-" "."
VIProductVersion "${VERSION_NUMBERS}"
VIFileVersion "${VERSION_NUMBERS}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}, MIT License"

Var ScrDir        ; where the saver goes: $SYSDIR, or $INSTDIR for one user
Var Scope         ; "all users" or "you only", for the welcome page
Var SettingsBox   ; the uninstaller's "Remove my settings as well" box
Var RemoveSettings

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "Setup will install the ${PRODUCT} screen saver, version ${VERSION}, for $Scope.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_INSTFILES
; Not shown in silent mode, so /S never opens the settings.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open the Screen Saver settings with ${PRODUCT} selected"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenScreenSaverSettings
!insertmacro MUI_PAGE_FINISH

!define MUI_PAGE_CUSTOMFUNCTION_SHOW un.ConfirmShow
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE un.ConfirmLeave
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; IsAdmin: pushes 1 when the process has administrator rights, else 0.
!macro IS_ADMIN_FUNCTION prefix
  Function ${prefix}IsAdmin
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 == "Admin"
      Push 1
    ${Else}
      Push 0
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro IS_ADMIN_FUNCTION ""
!insertmacro IS_ADMIN_FUNCTION "un."

Function .onInit
  Call IsAdmin
  Pop $0
  ${If} $0 = 1
    SetShellVarContext all
    StrCpy $INSTDIR "${ALL_USERS_DIR}"
    StrCpy $ScrDir $SYSDIR
    StrCpy $Scope "all users of this computer"
  ${Else}
    SetShellVarContext current
    StrCpy $INSTDIR "${USER_DIR}"
    StrCpy $ScrDir $INSTDIR
    StrCpy $Scope "you only (Setup runs without administrator rights)"
  ${EndIf}
FunctionEnd

; FileSize: the size of file $0 in bytes into $1.
Function FileSize
  FileOpen $2 $0 r
  FileSeek $2 0 END $1
  FileClose $2
FunctionEnd

Section "Install"
  SetOutPath $ScrDir
  File "/oname=${SCR_NAME}" "${SCR}"
  SetOutPath $INSTDIR
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ; SHCTX is HKLM for all users, HKCU for one.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$ScrDir\${SCR_NAME}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ; The installed size in KB, rounded up.
  StrCpy $0 "$ScrDir\${SCR_NAME}"
  Call FileSize
  StrCpy $4 $1
  StrCpy $0 "$INSTDIR\${UNINSTALLER}"
  Call FileSize
  IntOp $4 $4 + $1
  IntOp $4 $4 + 1023
  IntOp $4 $4 / 1024
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $4
SectionEnd

; desk.cpl's InstallScreenSaver selects the saver and opens its settings; it
; takes the rest of the line, unquoted, as the file (as the .scr "Install" verb does).
Function OpenScreenSaverSettings
  Exec '"$SYSDIR\rundll32.exe" desk.cpl,InstallScreenSaver $ScrDir\${SCR_NAME}'
FunctionEnd

; The uninstaller runs from the folder the installer put it in: the user's
; folder means a per-user installation, anything else one for all users.
Function un.onInit
  ${If} $INSTDIR == "${USER_DIR}"
    SetShellVarContext current
    StrCpy $ScrDir $INSTDIR
  ${Else}
    Call un.IsAdmin
    Pop $0
    ${If} $0 <> 1
      MessageBox MB_ICONSTOP|MB_OK "${PRODUCT} was installed for all users: uninstalling it needs administrator rights." /SD IDOK
      SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
      Quit
    ${EndIf}
    SetShellVarContext all
    StrCpy $ScrDir $SYSDIR
  ${EndIf}
  StrCpy $RemoveSettings ${BST_UNCHECKED}
FunctionEnd

; The box goes below the folder's field of the confirm page, as wide as it.
Function un.ConfirmShow
  System::Call '*(i, i, i, i) p.r1'
  System::Call 'user32::GetWindowRect(p $mui.UnConfirmPage.Directory, p r1)'
  System::Call 'user32::MapWindowPoints(p 0, p $mui.UnConfirmPage, p r1, i 2)'
  System::Call '*$1(i .r2, i .r3, i .r4, i .r5)'
  System::Free $1
  IntOp $3 $5 - $3 ; the field's height
  IntOp $4 $4 - $2 ; and width
  IntOp $5 $5 + $3 ; one field's height below it
  System::Call 'user32::CreateWindowExW(i 0, w "BUTTON", w "Remove my settings as well", \
    i ${WS_CHILD}|${WS_VISIBLE}|${WS_TABSTOP}|${BS_AUTOCHECKBOX}, i r2, i r5, i r4, i r3, \
    p $mui.UnConfirmPage, p 1200, p 0, p 0) p .s'
  Pop $SettingsBox
  SendMessage $mui.UnConfirmPage ${WM_GETFONT} 0 0 $0
  SendMessage $SettingsBox ${WM_SETFONT} $0 1
FunctionEnd

Function un.ConfirmLeave
  SendMessage $SettingsBox ${BM_GETCHECK} 0 0 $RemoveSettings
FunctionEnd

Section "Uninstall"
  Delete /REBOOTOK "$ScrDir\${SCR_NAME}"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${If} $RemoveSettings = ${BST_CHECKED}
    DeleteRegKey HKCU "${SETTINGS_KEY}"
  ${EndIf}
SectionEnd
