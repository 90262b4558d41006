; Vellumere's installer, made by the release build:
;
;     makensis -DVERSION=1.2.3.4 -DPROGRAM=Vellumere.exe -DCLOSE_PROGRAM=VellumereClose.exe
;              -DOUTFILE=setup.exe Vellumere.nsi
;
; Per user under %LOCALAPPDATA%\Programs without administrator rights, or for
; all users under Program Files when run elevated; /CurrentUser and /AllUsers
; choose. Silent switches: /S, /NoLogon (no start at logon); the uninstaller's
; /RemoveEvents also removes %APPDATA%\Vellumere.

!macro REQUIRE NAME
  !ifndef ${NAME}
    !error "${NAME} must be defined on makensis's command line"
  !endif
!macroend
!insertmacro REQUIRE VERSION
!insertmacro REQUIRE PROGRAM
!insertmacro REQUIRE CLOSE_PROGRAM
!insertmacro REQUIRE OUTFILE

Unicode true
; The programs are 64-bit, and Debian's Wine runs 64-bit programs only.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
; Elevation is the user's choice ("Run as administrator"), not a prompt.
RequestExecutionLevel user

!define APP "Vellumere"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "VLM"
!define UNINSTALLER "Uninstall.exe"
; How long a running copy gets to write its event file and end.
!define CLOSE_TIMEOUT_MS 30000
!define SYNCHRONIZE 0x00100000

Name "${APP}"
OutFile "${OUTFILE}"
BrandingText "${APP} ${VERSION}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${APP}"
VIAddVersionKey /LANG=1033 "CompanyName" "Norvask"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Norvask"
VIAddVersionKey /LANG=1033 "FileDescription" "${APP} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

; A file that stays in use after the running copy was closed must not be
; skipped: the user can retry or cancel, and a silent install fails.
AllowSkipFiles off

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh

Var Mode             ; "CurrentUser" or "AllUsers"
Var Upgrade          ; 1 when installing over an installed copy
Var WasRunning       ; 1 when a running copy was closed
Var StartAtLogon     ; 1 to write the Run value
Var RemoveEvents     ; uninstaller: 1 to remove %APPDATA%\Vellumere
Var Checkbox

!define MUI_ABORTWARNING
!define MUI_ICON "${NSISDIR}\Contrib\Graphics\Icons\modern-install.ico"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"

!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipOnUpgrade
!insertmacro MUI_PAGE_DIRECTORY
Page custom LogonPageShow LogonPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start ${APP} now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
UninstPage custom un.EventsPageShow un.EventsPageLeave
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; --- Shared by installer and uninstaller -----------------------------------

; Sets the shell folders, the registry root of SHCTX and, for the installer,
; the default folder for $Mode.
!macro APPLY_MODE UN
Function ${UN}ApplyMode
  ${If} $Mode == "AllUsers"
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd
!macroend
!insertmacro APPLY_MODE ""
!insertmacro APPLY_MODE "un."

; Asks a running copy to end through VellumereClose ($0: its folder) and
; waits for its process, so that its event file is written before anything
; is replaced or removed. Sets $WasRunning.
!macro CLOSE_RUNNING UN
Function ${UN}CloseRunning
  Exch $0
  Push $1
  Push $2
  Push $3
  StrCpy $WasRunning 0
  FindWindow $1 "TrayIconWndClass" "TrayIconWnd"
  ${If} $1 <> 0
    StrCpy $WasRunning 1
    DetailPrint "Closing the running ${APP}..."
    ; The process handle is taken before the request: the process may be
    ; gone, and its id reused, by the time VellumereClose returns.
    System::Call 'user32::GetWindowThreadProcessId(p r1, *i 0 r2) i'
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r2) p .r3'
    ${If} ${FileExists} "$0\VellumereClose.exe"
      ExecWait '"$0\VellumereClose.exe"'
    ${Else}
      SendMessage $1 0x8002 0 0   ; WM_APP + 2, what VellumereClose sends
    ${EndIf}
    ${If} $3 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p r3, i ${CLOSE_TIMEOUT_MS}) i .r2'
      System::Call 'kernel32::CloseHandle(p r3)'
      ${If} $2 <> 0
        DetailPrint "${APP} did not end within ${CLOSE_TIMEOUT_MS} ms."
      ${EndIf}
    ${Else}
      ; No handle to wait on: wait for the window instead.
      StrCpy $2 0
      ${DoWhile} $1 <> 0
        ${IfThen} $2 >= ${CLOSE_TIMEOUT_MS} ${|} ${ExitDo} ${|}
        Sleep 250
        IntOp $2 $2 + 250
        FindWindow $1 "TrayIconWndClass" "TrayIconWnd"
      ${Loop}
    ${EndIf}
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING ""
!insertmacro CLOSE_RUNNING "un."

; Pushes 1 when the switch $0 is on the command line, else 0.
!macro HAS_SWITCH UN
Function ${UN}HasSwitch
  Exch $0
  Push $1
  ${${UN}GetParameters} $1
  ClearErrors
  ${${UN}GetOptions} $1 $0 $1
  ${If} ${Errors}
    StrCpy $0 0
  ${Else}
    StrCpy $0 1
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd
!macroend
!insertmacro HAS_SWITCH ""
!insertmacro HAS_SWITCH "un."

!macro HasSwitch RESULT SWITCH
  Push "${SWITCH}"
  Call HasSwitch
  Pop ${RESULT}
!macroend
!macro UnHasSwitch RESULT SWITCH
  Push "${SWITCH}"
  Call un.HasSwitch
  Pop ${RESULT}
!macroend

; Leaves "1" in $0 when this process has administrator rights.
!macro IS_ADMIN UN
Function ${UN}IsAdmin
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
FunctionEnd
!macroend
!insertmacro IS_ADMIN ""
!insertmacro IS_ADMIN "un."

; --- Installer --------------------------------------------------------------

Function .onInit
  Call IsAdmin
  StrCpy $R9 $0

  ; An installed copy decides the mode, so an upgrade lands on it; without
  ; one, rights decide.
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $R1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R9 = 1
  ${AndIf} $R0 != ""
    StrCpy $Mode "AllUsers"
  ${ElseIf} $R1 != ""
    StrCpy $Mode "CurrentUser"
  ${ElseIf} $R9 = 1
    StrCpy $Mode "AllUsers"
  ${Else}
    StrCpy $Mode "CurrentUser"
  ${EndIf}

  !insertmacro HasSwitch $0 "/CurrentUser"
  ${If} $0 = 1
    StrCpy $Mode "CurrentUser"
  ${EndIf}
  !insertmacro HasSwitch $0 "/AllUsers"
  ${If} $0 = 1
    ${If} $R9 <> 1
      MessageBox MB_OK|MB_ICONSTOP "Installing ${APP} for all users needs administrator rights: run the installer as administrator." /SD IDOK
      SetErrorLevel 5 ; ERROR_ACCESS_DENIED
      Quit
    ${EndIf}
    StrCpy $Mode "AllUsers"
  ${EndIf}

  Call ApplyMode
  StrCpy $Upgrade 0
  ReadRegStr $R0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 != ""
    StrCpy $Upgrade 1
    StrCpy $INSTDIR $R0
  ${ElseIf} $Mode == "AllUsers"
    StrCpy $INSTDIR "$PROGRAMFILES64\${APP}"
  ${Else}
    GetKnownFolderPath $INSTDIR {5CD7AEE2-2219-4A67-B85D-6C9CE15660CB} ; FOLDERID_UserProgramFiles
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs"
    ${EndIf}
    StrCpy $INSTDIR "$INSTDIR\${APP}"
  ${EndIf}

  ; Start at logon: on by default; an upgrade keeps what the user chose.
  StrCpy $StartAtLogon 1
  ${If} $Upgrade = 1
    ReadRegStr $0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
    ${If} $0 == ""
      StrCpy $StartAtLogon 0
    ${EndIf}
  ${EndIf}
  !insertmacro HasSwitch $0 "/NoLogon"
  ${If} $0 = 1
    StrCpy $StartAtLogon 0
  ${EndIf}
FunctionEnd

Function SkipOnUpgrade
  ${If} $Upgrade = 1
    Abort
  ${EndIf}
FunctionEnd

Function LogonPageShow
  !insertmacro MUI_HEADER_TEXT "Start at logon" "Choose whether ${APP} starts when you log on."
  nsDialogs::Create 1018
  Pop $0
  ${If} $0 == error
    Abort
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 24u "${APP} reminds you only while it runs. It can start by itself each time you log on to Windows."
  Pop $0
  ${NSD_CreateCheckbox} 0 30u 100% 12u "Start ${APP} when I log on"
  Pop $Checkbox
  ${If} $StartAtLogon = 1
    ${NSD_Check} $Checkbox
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function LogonPageLeave
  ${NSD_GetState} $Checkbox $0
  ${If} $0 = ${BST_CHECKED}
    StrCpy $StartAtLogon 1
  ${Else}
    StrCpy $StartAtLogon 0
  ${EndIf}
FunctionEnd

Function StartProgram
  Exec '"$INSTDIR\Vellumere.exe"'
FunctionEnd

Section "Vellumere" SecProgram
  SectionIn RO

  ; The installer's own VellumereClose closes any copy, also one that runs
  ; from somewhere else than $INSTDIR.
  InitPluginsDir
  SetOutPath "$PLUGINSDIR"
  File "/oname=VellumereClose.exe" "${CLOSE_PROGRAM}"
  Push "$PLUGINSDIR"
  Call CloseRunning

  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "/oname=Vellumere.exe" "${PROGRAM}"
  File "/oname=VellumereClose.exe" "${CLOSE_PROGRAM}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ; The Start menu's shortcut, in the current or the common Start menu.
  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\Vellumere.exe" "" "$INSTDIR\Vellumere.exe" 0

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\Vellumere.exe",0'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}" /$Mode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /$Mode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; The same value the tray menu's "Run at startup" writes: the user's own,
  ; also for an install for all users.
  ${If} $StartAtLogon = 1
    WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\Vellumere.exe"'
  ${EndIf}

  ; A copy that was running before an upgrade runs again after it; in the
  ; window, the finish page offers it.
  ${If} ${Silent}
  ${AndIf} $WasRunning = 1
    Call StartProgram
  ${EndIf}
SectionEnd

; --- Uninstaller ------------------------------------------------------------

Function un.onInit
  Call un.IsAdmin
  StrCpy $R9 $0

  ; The install this uninstaller belongs to: the one for all users when
  ; that one lives in its folder.
  StrCpy $Mode "CurrentUser"
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 == $INSTDIR
    StrCpy $Mode "AllUsers"
  ${EndIf}
  !insertmacro UnHasSwitch $0 "/CurrentUser"
  ${If} $0 = 1
    StrCpy $Mode "CurrentUser"
  ${EndIf}
  !insertmacro UnHasSwitch $0 "/AllUsers"
  ${If} $0 = 1
    StrCpy $Mode "AllUsers"
  ${EndIf}
  ${If} $Mode == "AllUsers"
  ${AndIf} $R9 <> 1
    MessageBox MB_OK|MB_ICONSTOP "${APP} is installed for all users: uninstalling it needs administrator rights." /SD IDOK
    SetErrorLevel 5 ; ERROR_ACCESS_DENIED
    Quit
  ${EndIf}
  Call un.ApplyMode

  !insertmacro UnHasSwitch $RemoveEvents "/RemoveEvents"
FunctionEnd

Function un.EventsPageShow
  !insertmacro MUI_HEADER_TEXT "Your events" "Choose whether your events stay on this computer."
  nsDialogs::Create 1018
  Pop $0
  ${If} $0 == error
    Abort
  ${EndIf}
  SetShellVarContext current
  ${NSD_CreateLabel} 0 0 100% 24u "Your events stay in $APPDATA\${APP} for a later install, unless you remove them."
  Pop $0
  Call un.ApplyMode
  ${NSD_CreateCheckbox} 0 30u 100% 12u "Also remove my events"
  Pop $Checkbox
  ${If} $RemoveEvents = 1
    ${NSD_Check} $Checkbox
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function un.EventsPageLeave
  ${NSD_GetState} $Checkbox $0
  ${If} $0 = ${BST_CHECKED}
    StrCpy $RemoveEvents 1
  ${Else}
    StrCpy $RemoveEvents 0
  ${EndIf}
FunctionEnd

; Deletes a file and says so when it cannot, instead of leaving it behind
; unnoticed.
!macro DeleteOrReport FILE
  ClearErrors
  Delete "${FILE}"
  ${If} ${Errors}
  ${OrIf} ${FileExists} "${FILE}"
    DetailPrint "Could not remove ${FILE}"
    MessageBox MB_OK|MB_ICONEXCLAMATION "Could not remove ${FILE}. It may be in use; remove it by hand." /SD IDOK
    SetErrorLevel 2
  ${EndIf}
!macroend

Section "Uninstall"
  ; Its events are written on the way out; only then go the programs.
  Push "$INSTDIR"
  Call un.CloseRunning

  !insertmacro DeleteOrReport "$INSTDIR\Vellumere.exe"
  !insertmacro DeleteOrReport "$INSTDIR\VellumereClose.exe"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${APP}.lnk"

  ; The Run value goes only when it starts this copy: one pointing at
  ; another copy (the portable one) is that copy's.
  ReadRegStr $0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $0 == '"$INSTDIR\Vellumere.exe"'
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"

  ${If} $RemoveEvents = 1
    SetShellVarContext current
    RMDir /r "$APPDATA\${APP}"
    Call un.ApplyMode
  ${EndIf}
SectionEnd
