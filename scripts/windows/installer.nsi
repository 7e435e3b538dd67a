; The ZEM Configuration installer for 64-bit Windows. Made by
; scripts/windows/package.sh, which defines VERSION, DIST (the runnable folder),
; OUTFILE and FILES/UNFILES (the include files that install and remove
; exactly the folder's files).
;
; Per user by default (no administrator rights): %LOCALAPPDATA%\Programs.
; /AllUsers installs for every user in Program Files (needs an administrator).
; /PATH adds the program folder to the user's PATH (also a choice on the
; components page). Silent: /S; the uninstaller waits when given _?=folder.
Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include WinMessages.nsh
!include Sections.nsh

!define APP "ZEM Configuration"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZEMConfiguration"
!define PROGID "ZEMConfiguration.zem"
; NSIS strings hold 1,024 characters: a PATH that may not fit is left alone.
!define PATH_LIMIT 1000

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"
Icon "${DIST}\zem-config.ico"
UninstallIcon "${DIST}\zem-config.ico"
LicenseData "${DIST}\licenses\THIRD-PARTY.txt"
ShowInstDetails show

Var AllUsers

Page license
Page components
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "${APP}" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  !include "${FILES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\zem-config.exe" "" "$INSTDIR\zem-config.exe" 0

  ; .zem files open with the program and show its icon.
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "" "ZEM configuration"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\zem-config.exe,0"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\zem-config.exe" "%1"'
  WriteRegStr SHCTX "Software\Classes\.zem" "" "${PROGID}"
  WriteRegStr SHCTX "Software\Classes\.zem\OpenWithProgids" "${PROGID}" ""
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  ; The system's list of programs.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "ZEM Configuration developers"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zem-config.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  ${If} $AllUsers = 1
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /AllUsers'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /AllUsers /S'
  ${Else}
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  ${EndIf}
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; zemctl from a command prompt: the folder at the end of the user's own PATH.
Section /o "zemctl in the PATH (command prompt)" SecPath
  ReadRegStr $0 HKCU "Environment" "Path"
  StrLen $1 $0
  StrLen $2 $INSTDIR
  IntOp $1 $1 + $2
  ${If} $1 > ${PATH_LIMIT}
    MessageBox MB_OK|MB_ICONEXCLAMATION "Your PATH is too long for this installer to change it safely; it was left alone. Add $INSTDIR to it yourself to use zemctl from a command prompt." /SD IDOK
    DetailPrint "PATH left alone: it is too long to change safely"
    Return
  ${EndIf}
  ${WordFind} "$0" ";" "E/$INSTDIR" $3
  ${If} $0 == $INSTDIR
  ${OrIfNot} ${Errors}
    DetailPrint "$INSTDIR is already in the PATH"
    Return
  ${EndIf}
  ${If} $0 == ""
    WriteRegExpandStr HKCU "Environment" "Path" "$INSTDIR"
  ${Else}
    WriteRegExpandStr HKCU "Environment" "Path" "$0;$INSTDIR"
  ${EndIf}
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "PathEntry" "$INSTDIR"
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
SectionEnd

; After the sections, whose numbers it uses.
Function .onInit
  StrCpy $AllUsers 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AllUsers" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/PATH" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecPath}
  ${EndIf}
  SetRegView 64
  ${If} $AllUsers = 1
    SetShellVarContext all
    StrCpy $INSTDIR "$PROGRAMFILES64\${APP}"
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Function un.onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AllUsers" $R1
  SetRegView 64
  ${IfNot} ${Errors}
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; The PATH entry this installer added, and only that.
  ReadRegStr $4 SHCTX "${UNINSTALL_KEY}" "PathEntry"
  ${If} $4 != ""
    ReadRegStr $0 HKCU "Environment" "Path"
    StrLen $1 $0
    ${If} $0 == $4
      DeleteRegValue HKCU "Environment" "Path"
    ${ElseIf} $1 < ${PATH_LIMIT}
      ${WordReplace} "$0" ";$4" "" "+" $2
      WriteRegExpandStr HKCU "Environment" "Path" "$2"
    ${Else}
      DetailPrint "PATH left alone: it is too long to change safely; remove $4 from it yourself"
    ${EndIf}
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  ${EndIf}

  Delete "$SMPROGRAMS\${APP}.lnk"
  ; The file type, unless another program has taken .zem since.
  ReadRegStr $0 SHCTX "Software\Classes\.zem" ""
  ${If} $0 == "${PROGID}"
    DeleteRegValue SHCTX "Software\Classes\.zem" ""
  ${EndIf}
  DeleteRegValue SHCTX "Software\Classes\.zem\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.zem\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.zem"
  DeleteRegKey SHCTX "Software\Classes\${PROGID}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"

  !include "${UNFILES}"
  Delete "$INSTDIR\uninstall.exe"
  ; Only if empty: files the user put there stay.
  RMDir "$INSTDIR"
SectionEnd
