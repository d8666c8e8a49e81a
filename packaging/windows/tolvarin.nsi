; Tolvarin's Windows installer. Installs for the current user without asking for
; administrator rights; run elevated (as an administrator), it installs for all users.
; Silent: /S; /CurrentUser or /AllUsers choose for whom; /D=<folder> where, last.
; Built by tools/package-windows.sh:
;   makensis -DVERSION=x.y.z -DBIN=<folder with the two programs, LICENSE.txt and NOTICES.txt>
;            -DICON=<icon> -DOUT=<setup.exe>
Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh

!define PRODUCT "Tolvarin"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvarin"
!define SETTINGS_KEY "Software\Tolvarin"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "Tolvarin"
VIAddVersionKey "LegalCopyright" "Tolvarin developers"
VIAddVersionKey "FileDescription" "Tolvarin ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\tolvarin.exe"
!insertmacro MUI_PAGE_LICENSE "${BIN}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var AllUsers

; Run elevated (as an administrator), it installs for all users, in Program Files,
; registered under HKLM; otherwise for the current user. /CurrentUser and /AllUsers
; choose either way (/AllUsers needs the rights).
Function .onInit
    StrCpy $AllUsers 0
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 == "Admin"
        StrCpy $AllUsers 1
    ${EndIf}
    ${GetOptions} $CMDLINE "/CurrentUser" $1
    ${IfNot} ${Errors}
        StrCpy $AllUsers 0
    ${EndIf}
    ${GetOptions} $CMDLINE "/AllUsers" $1
    ${IfNot} ${Errors}
        ${If} $0 != "Admin"
            MessageBox MB_ICONSTOP "Installing for all users needs administrator rights: run the setup as an administrator, or without /AllUsers to install for yourself." /SD IDOK
            Abort
        ${EndIf}
        StrCpy $AllUsers 1
    ${EndIf}
    ${If} $AllUsers == 1
        ; A folder given with /D stays.
        ${If} $INSTDIR == "$LOCALAPPDATA\Programs\${PRODUCT}"
            StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
        ${EndIf}
        SetShellVarContext all
    ${EndIf}
FunctionEnd

Section "Tolvarin"
    SetOutPath "$INSTDIR"
    File "${BIN}\tolvarin.exe"
    File "${BIN}\tolvarin-convert.exe"
    File "${BIN}\LICENSE.txt"
    File "${BIN}\NOTICES.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\tolvarin.exe"
    ; Send To passes the chosen file on the command line: no shell extension needed.
    CreateShortcut "$SENDTO\${PRODUCT}.lnk" "$INSTDIR\tolvarin.exe"
    ${If} $AllUsers == 1
        SetRegView 64
        WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
        WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
        WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tolvarin"
        WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tolvarin.exe"
        WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
        WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /AllUsers'
        WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /AllUsers /S'
        WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
        WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${Else}
        WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
        WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
        WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Tolvarin"
        WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tolvarin.exe"
        WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
        WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
        WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
        WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
        WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${EndIf}
SectionEnd

Function un.onInit
    StrCpy $AllUsers 0
    ${GetOptions} $CMDLINE "/AllUsers" $0
    ${IfNot} ${Errors}
        StrCpy $AllUsers 1
        SetShellVarContext all
    ${EndIf}
FunctionEnd

Section "Uninstall"
    Delete "$INSTDIR\tolvarin.exe"
    Delete "$INSTDIR\tolvarin-convert.exe"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\NOTICES.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    Delete "$SENDTO\${PRODUCT}.lnk"
    ${If} $AllUsers == 1
        SetRegView 64
        DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ${Else}
        DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ${EndIf}
    ; The window's remembered settings.
    DeleteRegKey HKCU "${SETTINGS_KEY}"
SectionEnd
