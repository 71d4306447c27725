; The Quillmere installer, built by installer/CMakeLists.txt (scripts/package.sh):
;   makensis -DVERSION=2.4.745 -DDIST=<programs> -DREADME=<README.txt> -DHELPER=<qm-setup-helper.exe>
;            -DSIGN=<sign.sh> -DTARGET=x86-unicode -DICON=<icon> -DOUTFILE=<setup.exe>
; (TARGET amd64-unicode makes the 64-bit installer that the tests of the 64-bit build use.)
;
; Per-machine install into Program Files with Start-menu shortcuts and an Apps & features entry.
; Silent use: setup.exe /S [/DESKTOP] [/ADDTOPATH] [/D=folder],
;             uninstall.exe /S [/REMOVESETTINGS] [/REMOVEKEPT].
; The user's settings (HKCU\Software\Quillmere) and run journals (%LOCALAPPDATA%\Quillmere\Runs)
; survive upgrades and, unless the uninstaller's box is ticked, the uninstall. The files that
; Overwrite replaced (the journals' NAME.kept folders) go only with their own box.
; Neither Setup nor the uninstaller changes anything while a Quillmere program runs.

!ifndef VERSION | DIST | README | HELPER | SIGN | TARGET | ICON | OUTFILE
  !error "VERSION, DIST, README, HELPER, SIGN, TARGET, ICON and OUTFILE must be defined"
!endif
Target ${TARGET}

; sign.sh signs when QM_SIGN_PFX names a certificate: the uninstaller before it is packed into
; setup.exe, then setup.exe.
!uninstfinalize 'sh "${SIGN}" "%1"' = 0
!finalize 'sh "${SIGN}" "%1"' = 0

!define PRODUCT "Quillmere"
!define PUBLISHER "Quillmere Developers"
!define HOMEPAGE "https://quillmere.example/"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmere"
!define SETTINGS_KEY "Software\Quillmere"
!define FOLDER_VERB_KEY "Software\Classes\Directory\shell\Quillmere"
; Held by every running Quillmere program (base/RunningMark.h).
!define RUNNING_MARK "Global\Quillmere.Running"

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
BrandingText "${PRODUCT} ${VERSION}"

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

Var KeptSummary

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "${HEADER_BMP}"
!define MUI_HEADERIMAGE_UNBITMAP "${HEADER_BMP}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WIZARD_BMP}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${WIZARD_BMP}"
!define MUI_ABORTWARNING
; The tree spans the page, so that every component's name is seen whole.
!define MUI_COMPONENTSPAGE_SMALLDESC
!define MUI_FINISHPAGE_RUN ""
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!macro SHARED_FUNCTIONS un
; Quits (exit code 3) while a Quillmere program runs, unless it is closed and Retry chosen: files
; in use would be left half replaced or half removed.
Function ${un}RefuseWhileRunning
  ${Do}
    ; SYNCHRONIZE; a mutex made by another user may refuse the access, which also tells it is there.
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${RUNNING_MARK}") p .r0 ?e'
    Pop $1
    ${If} $0 <> 0
      System::Call 'kernel32::CloseHandle(p r0)'
    ${ElseIf} $1 <> 5
      ${ExitDo}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is running. Close every Quillmere window, and quillmere-cli and metaprobe where they run, then choose Retry." /SD IDCANCEL IDRETRY retry
    SetErrorLevel 3
    Quit
    retry:
  ${Loop}
FunctionEnd

; The helper runs from the temporary plug-in folder, which goes when Setup or the uninstaller ends.
Function ${un}ExtractHelper
  InitPluginsDir
  File "/oname=$PLUGINSDIR\qm-setup-helper.exe" "${HELPER}"
FunctionEnd
!macroend
!insertmacro SHARED_FUNCTIONS ""
!insertmacro SHARED_FUNCTIONS "un."

; $R0 = "free" (absent or empty), "ours" (a Quillmere installation) or "foreign" for $INSTDIR.
Function InstallFolderState
  StrCpy $R0 "free"
  ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} ${FileExists} "$INSTDIR\quillmere.exe"
  ${OrIf} $R1 == $INSTDIR
    StrCpy $R0 "ours"
    Return
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR"
  ${AndIfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $R0 "foreign"  ; a file
    Return
  ${EndIf}
  ClearErrors
  FindFirst $R1 $R2 "$INSTDIR\*"
  ${DoUntil} ${Errors}
    ${If} $R2 != "."
    ${AndIf} $R2 != ".."
      StrCpy $R0 "foreign"
      ${ExitDo}
    ${EndIf}
    FindNext $R1 $R2
  ${Loop}
  FindClose $R1
FunctionEnd

; A folder that holds other files is never written into (its files, a README.txt say, would be
; replaced and later deleted): Quillmere goes into its own folder inside it. The error flag is set
; when that folder holds other files too.
Function ChooseInstallFolder
  Call InstallFolderState
  ${If} $R0 == "foreign"
    StrCpy $INSTDIR "$INSTDIR\${PRODUCT}"
    Call InstallFolderState
  ${EndIf}
  ClearErrors
  ${If} $R0 == "foreign"
    SetErrors
  ${EndIf}
FunctionEnd

Function DirectoryLeave
  StrCpy $R9 $INSTDIR
  Call ChooseInstallFolder
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "$R9 and $INSTDIR hold other files. Choose an empty or a new folder."
    StrCpy $INSTDIR $R9
    Abort
  ${ElseIf} $INSTDIR != $R9
    MessageBox MB_OKCANCEL|MB_ICONINFORMATION "$R9 holds other files, so ${PRODUCT} goes into a folder of its own there:$\r$\n$INSTDIR" IDOK +3
    StrCpy $INSTDIR $R9
    Abort
  ${EndIf}
FunctionEnd

; The helper's exit codes: 0 done, 1 nothing to do, anything else (or none) failed, nothing changed.
Function AddToPath
  ClearErrors
  ExecWait '"$PLUGINSDIR\qm-setup-helper.exe" path-add "$INSTDIR"' $0
  ${If} $0 == "0"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "AddedToPath" 1
    WriteRegStr HKLM "${UNINSTALL_KEY}" "PathEntry" "$INSTDIR"
  ${ElseIf} $0 == "1"
    ; An entry for the folder was there before: it is the user's, and the uninstaller leaves it.
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "AddedToPath" 0
  ${Else}
    MessageBox MB_OK|MB_ICONEXCLAMATION "Setup could not read or change the system PATH and left it as it was.$\r$\nAdd $INSTDIR to it by hand to start quillmere-cli from any console." /SD IDOK
  ${EndIf}
FunctionEnd

Function un.RemoveFromPath
  ClearErrors
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "AddedToPath"
  ${If} ${Errors}
  ${OrIf} $0 <> 1
    Return
  ${EndIf}
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "PathEntry"
  ; Versions that did not record the entry added the installation folder.
  ${If} $1 == ""
    StrCpy $1 "$INSTDIR"
  ${EndIf}
  ClearErrors
  ExecWait '"$PLUGINSDIR\qm-setup-helper.exe" path-remove "$1"' $2
  ${If} $2 != "0"
  ${AndIf} $2 != "1"
    MessageBox MB_OK|MB_ICONEXCLAMATION "The uninstaller could not read or change the system PATH and left it as it was.$\r$\nRemove $1 from it by hand." /SD IDOK
  ${EndIf}
FunctionEnd

; Started elevated by Setup, the program would keep its settings in the administrator's profile
; and refuse files dragged from Explorer: the helper starts it with the user's own rights.
Function StartProgram
  ClearErrors
  ExecWait '"$PLUGINSDIR\qm-setup-helper.exe" start-as-user "$INSTDIR\quillmere.exe"' $0
  ${If} $0 != "0"
    MessageBox MB_OK|MB_ICONINFORMATION "Setup could not start ${PRODUCT} with your own rights. Start it from the Start menu."
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
  StrCpy $R9 $INSTDIR
  Call ChooseInstallFolder
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "$R9 and $INSTDIR hold other files. Choose an empty or a new folder." /SD IDOK
    Abort
  ${EndIf}
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

  ; Explorer's ways in, for the user who installs: "Send to" for files and folders, and an entry
  ; on every folder's context menu. Both start the program with the paths on its command line.
  SetShellVarContext current
  CreateShortcut "$SENDTO\${PRODUCT}.lnk" "$INSTDIR\quillmere.exe"
  WriteRegStr HKCU "${FOLDER_VERB_KEY}" "" "Organize with ${PRODUCT}"
  WriteRegStr HKCU "${FOLDER_VERB_KEY}" "Icon" "$INSTDIR\quillmere.exe,0"
  WriteRegStr HKCU "${FOLDER_VERB_KEY}\command" "" '"$INSTDIR\quillmere.exe" "%1"'
  SetShellVarContext all

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
  Call RefuseWhileRunning
  Call ExtractHelper
  SetShellVarContext all
  ; An upgrade offers what the installed version had: the box was ticked when the value is there,
  ; whether Setup added the entry or found it.
  ClearErrors
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "AddedToPath"
  ${IfNot} ${Errors}
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
  Call un.RemoveFromPath
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
  SetShellVarContext current
  Delete "$SENDTO\${PRODUCT}.lnk"
  DeleteRegKey HKCU "${FOLDER_VERB_KEY}"
  SetShellVarContext all
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; Settings and journals go, but never the files that Overwrite replaced (NAME.kept beside the
; journal NAME.qmj), which are their only copies, nor the journal that can put them back.
Section /o "un.My settings and run journals" UnSecSettings
  SetShellVarContext current
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  StrCpy $R0 "$LOCALAPPDATA\${PRODUCT}\Runs"
  ClearErrors
  FindFirst $0 $1 "$R0\*"
  ${DoUntil} ${Errors}
    StrCpy $2 $1 "" -5
    StrCpy $3 $1 -4
    StrCpy $4 $1 "" -4
    ${If} $1 == "."
    ${OrIf} $1 == ".."
    ${OrIf} $2 == ".kept"
      ; stays
    ${ElseIf} ${FileExists} "$R0\$1\*.*"
      RMDir /r "$R0\$1"
    ${ElseIf} $4 == ".qmj"
    ${AndIf} ${FileExists} "$R0\$3.kept\*.*"
      ; stays with its kept files
    ${Else}
      Delete "$R0\$1"
    ${EndIf}
    ClearErrors
    FindNext $0 $1
  ${Loop}
  FindClose $0
  RMDir "$R0"
  RMDir "$LOCALAPPDATA\${PRODUCT}"
SectionEnd

Section /o "un.Kept files of Overwrite" UnSecKept
  SetShellVarContext current
  StrCpy $R0 "$LOCALAPPDATA\${PRODUCT}\Runs"
  ClearErrors
  FindFirst $0 $1 "$R0\*.kept"
  ${DoUntil} ${Errors}
    StrCpy $2 $1 -5
    ${If} ${FileExists} "$R0\$1\*.*"
      RMDir /r "$R0\$1"
      Delete "$R0\$2.qmj"
    ${EndIf}
    ClearErrors
    FindNext $0 $1
  ${Loop}
  FindClose $0
  RMDir "$R0"
  RMDir "$LOCALAPPDATA\${PRODUCT}"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecProgram} "The program files, shortcuts and the PATH entry that Setup added."
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecSettings} "Your settings and the journals of your runs. Leave this unticked to keep them for a later install. Files that Overwrite replaced stay."
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecKept} "The files that Overwrite replaced ($KeptSummary), kept so that undo can put them back, and their journals. They are the only copies."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
  Call un.RefuseWhileRunning
  ; The components page shows what each part frees.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  SectionSetSize ${UnSecProgram} $0
  SetShellVarContext current
  ClearErrors
  ${GetSize} "$LOCALAPPDATA\${PRODUCT}" "/S=0K" $0 $1 $2
  ${IfNot} ${Errors}
    SectionSetSize ${UnSecSettings} $0
  ${EndIf}
  Call un.ExtractHelper
  SetShellVarContext current
  nsExec::ExecToStack '"$PLUGINSDIR\qm-setup-helper.exe" kept-summary "$LOCALAPPDATA\${PRODUCT}\Runs"'
  Pop $0
  Pop $KeptSummary
  ; No box when nothing is kept (or the files cannot be counted: then they stay).
  ${If} $0 == "0"
    SectionSetText ${UnSecKept} "Kept files of Overwrite: $KeptSummary"
  ${Else}
    SectionSetText ${UnSecKept} ""
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/REMOVESETTINGS" $2
  ${IfNot} ${Errors}
    SectionSetFlags ${UnSecSettings} ${SF_SELECTED}
  ${EndIf}
  ClearErrors
  ${GetOptions} $1 "/REMOVEKEPT" $2
  ${IfNot} ${Errors}
    SectionSetFlags ${UnSecKept} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
