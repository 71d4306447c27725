; The Quillmere installer, built by installer/CMakeLists.txt (scripts/package.sh):
;   makensis -DVERSION=2.4.745 -DDIST=<programs> -DREADME=<README.txt> -DICON=<icon> -DOUTFILE=<setup.exe>
;
; Per-machine install into Program Files with Start-menu shortcuts and an Apps & features entry.
; Silent use: setup.exe /S [/DESKTOP] [/ADDTOPATH] [/D=folder], uninstall.exe /S [/REMOVESETTINGS].
; The user's settings (HKCU\Software\Quillmere) and run journals (%LOCALAPPDATA%\Quillmere\Runs)
; survive upgrades and, unless the uninstaller's box is ticked, the uninstall.

Unicode true
!ifndef VERSION | DIST | README | ICON | OUTFILE
  !error "VERSION, DIST, README, ICON and OUTFILE must be defined"
!endif

!define PRODUCT "Quillmere"
!define PUBLISHER "Quillmere Developers"
!define HOMEPAGE "https://quillmere.example/"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmere"
!define SETTINGS_KEY "Software\Quillmere"
!define ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
; An upgrade goes where the installed version is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ManifestDPIAware true
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${PUBLISHER}"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "WinMessages.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\quillmere.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; PathWithout: $0 = a PATH value; $1 = the same without the entries that name $INSTDIR (case is
; ignored, as Windows ignores it; other entries, empty ones included, stay as they are).
; Uses $2 to $6.
!macro PATH_WITHOUT un
Function ${un}PathWithout
  StrCpy $1 ""
  StrCpy $2 $0
  StrCpy $6 "first"
  ${Do}
    ; $3 = length of the next entry
    StrCpy $3 0
    ${Do}
      StrCpy $4 $2 1 $3
      ${If} $4 == ";"
      ${OrIf} $4 == ""
        ${ExitDo}
      ${EndIf}
      IntOp $3 $3 + 1
    ${Loop}
    StrCpy $5 $2 $3
    ${If} $5 != "$INSTDIR"
    ${AndIf} $5 != "$INSTDIR\"
      ${If} $6 == "first"
        StrCpy $1 $5
      ${Else}
        StrCpy $1 "$1;$5"
      ${EndIf}
      StrCpy $6 ""
    ${EndIf}
    ${If} $4 == ""
      ${ExitDo}
    ${EndIf}
    IntOp $3 $3 + 1
    StrCpy $2 $2 "" $3
  ${Loop}
FunctionEnd

; ReadSystemPath: $0 = the system PATH; the error flag is set when it is too long to be read
; whole (NSIS strings hold ${NSIS_MAX_STRLEN} characters), so that it is never written back cut.
Function ${un}ReadSystemPath
  ClearErrors
  ReadRegStr $0 HKLM "${ENVIRONMENT_KEY}" "Path"
  ClearErrors
  StrLen $1 $0
  StrLen $2 "$INSTDIR"
  IntOp $1 $1 + $2
  IntOp $2 ${NSIS_MAX_STRLEN} - 2
  ${If} $1 >= $2
    SetErrors
  ${EndIf}
FunctionEnd
!macroend
!insertmacro PATH_WITHOUT ""
!insertmacro PATH_WITHOUT "un."

Function AddToPath
  Call ReadSystemPath
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONEXCLAMATION "The system PATH is too long for Setup to change it safely.$\r$\nAdd $INSTDIR to it by hand to start quillmere-cli from any console." /SD IDOK
    Return
  ${EndIf}
  Call PathWithout
  ${If} $1 == ""
    StrCpy $1 "$INSTDIR"
  ${Else}
    StrCpy $1 "$1;$INSTDIR"
  ${EndIf}
  WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" $1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "AddedToPath" 1
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
FunctionEnd

Function un.RemoveFromPath
  Call un.ReadSystemPath
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONEXCLAMATION "The system PATH is too long for the uninstaller to change it safely.$\r$\nRemove $INSTDIR from it by hand." /SD IDOK
    Return
  ${EndIf}
  Call un.PathWithout
  ${If} $1 != $0
    WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" $1
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  ${EndIf}
FunctionEnd

; An installed version is uninstalled first, silently and in place: its files, shortcuts, PATH
; entry and Uninstall key go, the user's settings and journals stay.
Function RemovePrevious
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    ExecWait '"$0\uninstall.exe" /S _?=$0' $1
    ${If} $1 != 0
      MessageBox MB_OK|MB_ICONSTOP "The installed version of ${PRODUCT} in $0 could not be removed (code $1)." /SD IDOK
      Abort
    ${EndIf}
    Delete "$0\uninstall.exe"
    RMDir "$0"
  ${EndIf}
FunctionEnd

Section "${PRODUCT} (required)" SecProgram
  SectionIn RO
  SetShellVarContext all
  Call RemovePrevious
  SetOutPath "$INSTDIR"
  File "${DIST}/quillmere.exe"
  File "${DIST}/quillmere-cli.exe"
  File "${DIST}/metaprobe.exe"
  File "${DIST}/quillmere.chm"
  File "${README}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\quillmere.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Help.lnk" "$INSTDIR\quillmere.chm"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${HOMEPAGE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quillmere.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "Desktop shortcut" SecDesktop
  SetShellVarContext all
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\quillmere.exe"
SectionEnd

Section /o "Add quillmere-cli to the PATH" SecPath
  Call AddToPath
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "The program, its command-line companion, the help file and Start-menu shortcuts."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "A shortcut to ${PRODUCT} on the desktop of every user."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} "Lets any console start quillmere-cli by its name."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  SetShellVarContext all
  ; An upgrade offers what the installed version had.
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "AddedToPath"
  ${If} $0 = 1
    SectionSetFlags ${SecPath} ${SF_SELECTED}
  ${EndIf}
  ${If} ${FileExists} "$DESKTOP\${PRODUCT}.lnk"
    SectionSetFlags ${SecDesktop} ${SF_SELECTED}
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/DESKTOP" $2
  ${IfNot} ${Errors}
    SectionSetFlags ${SecDesktop} ${SF_SELECTED}
  ${EndIf}
  ClearErrors
  ${GetOptions} $1 "/ADDTOPATH" $2
  ${IfNot} ${Errors}
    SectionSetFlags ${SecPath} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

Section "un.${PRODUCT}" UnSecProgram
  SectionIn RO
  SetShellVarContext all
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "AddedToPath"
  ${If} $0 = 1
    Call un.RemoveFromPath
  ${EndIf}
  ; Only the files Setup put there: anything the user added to the folder stays, and so does
  ; the folder then.
  Delete "$INSTDIR\quillmere.exe"
  Delete "$INSTDIR\quillmere-cli.exe"
  Delete "$INSTDIR\metaprobe.exe"
  Delete "$INSTDIR\quillmere.chm"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  ; Started from the Uninstall key, the uninstaller runs on from a copy of itself in the temporary
  ; folder while the started one ends: until it has, Windows refuses to delete its file, and Wine
  ; deletes it only when it ends. The folder goes once that file is gone.
  ${If} $EXEDIR != $INSTDIR
    StrCpy $0 0
    ${DoWhile} ${FileExists} "$INSTDIR\uninstall.exe"
      ${If} $0 >= 40
        ${ExitDo}
      ${EndIf}
      Sleep 250
      IntOp $0 $0 + 1
      Delete "$INSTDIR\uninstall.exe"
    ${Loop}
  ${EndIf}
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Help.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.My settings and run journals" UnSecSettings
  SetShellVarContext current
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  RMDir /r "$LOCALAPPDATA\${PRODUCT}\Runs"
  RMDir "$LOCALAPPDATA\${PRODUCT}"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecProgram} "The program files, shortcuts and PATH entry."
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecSettings} "Your settings and the journals of your runs. Leave this unticked to keep them for a later install."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/REMOVESETTINGS" $2
  ${IfNot} ${Errors}
    SectionSetFlags ${UnSecSettings} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
