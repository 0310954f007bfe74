; Quenzo's installer, built by scripts/windows: installs for the current user, with no
; administrator rights, a Start-menu entry and an uninstaller that removes exactly what was
; installed. /S installs and uninstalls silently.
;   makensis -DVERSION=1.0.0 -DSTAGE=<program folder> -DFILES=<uninstall list>
;            -DOUTFILE=<setup.exe> -DICON=<quenzo.ico> quenzo.nsi
Target amd64-unicode ; a 64-bit installer for the 64-bit program (Unicode)
!include "MUI2.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quenzo"

Name "Quenzo"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Quenzo"
SetCompressor /SOLID lzma

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\quenzo.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "Quenzo"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "Quenzo 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"

Section
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Quenzo.lnk" "$INSTDIR\quenzo.exe" "" "$INSTDIR\quenzo.exe" 0
    ; The entry in the system's list of programs, for this user only.
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quenzo"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quenzo.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Quenzo"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only the files the installer put there, so a folder chosen by hand loses nothing else.
Section "Uninstall"
    SetShellVarContext current
    Delete "$SMPROGRAMS\Quenzo.lnk"
    !include "${FILES}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
