; The Windows installer of vidider: puts vidider.scr where the Screen Saver
; Settings look (the 32-bit system folder), makes it the user's saver, writes
; the stage, and registers an uninstaller in Add or Remove Programs.
;
; Built by tools/make_installer.sh with makensis 3.08:
;   makensis -DVERSION=0.6.3 -DSAVER=vidider.scr -DLICENSE=LICENSE.txt
;            -DICON=vidider.ico -DOUTFILE=vidider-0.6.3-setup.exe vidider.nsi
;
; Silent use: /S installs with the defaults; /STAGE=fill|classic and
; /NOACTIVATE change them; vidider-uninstall.exe /S removes it. Exit codes:
; 0 installed, 1 cancelled, 2 failed with nothing changed (or a bad option),
; 3010 installed but the old saver is replaced only at the next restart.

; ANSI, so that the installer runs on Windows 95, 98 and ME as the saver
; does: NSIS's Unicode installers need the NT family.
Unicode false
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true
; The saver's file dates are the build's; the installed copy gets the time
; it was installed, so the installer's bytes depend on the inputs only.
SetDateSave off

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinVer.nsh

!ifndef VERSION | SAVER | LICENSE | ICON | OUTFILE
  !error "VERSION, SAVER, LICENSE, ICON and OUTFILE must be defined (tools/make_installer.sh does)"
!endif

!define SETTINGS_KEY "Software\Tavrenholm\ScreenSaverSample"
!define MAKER_KEY "Software\Tavrenholm"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\vidider"
!define DESKTOP_KEY "Control Panel\Desktop"
!define PUBLISHER "the vidider developers"
; SystemParametersInfo: SPI_SETSCREENSAVEACTIVE, SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE.
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_SAVE_AND_TELL 3

Name "vidider"
OutFile "${OUTFILE}"
BrandingText "vidider ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey ProductName "vidider"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey FileDescription "vidider screen saver setup"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey LegalCopyright "Copyright (C) 2026 ${PUBLISHER}"

Var SaverDir      ; the 32-bit system folder: where the file goes
Var Stage         ; "fill" or "classic"
Var Activate      ; 1: make vidider the user's screen saver
Var Upgrade       ; 1: an installed vidider was found
Var SaverPath     ; the path SCRNSAVE.EXE gets, short where the system uses that
Var FillRadio
Var ClassicRadio
Var ActivateBox

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TITLE "Install vidider"
!define MUI_WELCOMEPAGE_TEXT "vidider is a black-and-white moire screen saver.$\r$\n$\r$\nIt goes into the Windows system folder, where the Screen Saver Settings find it.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
Page custom StagePage StageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "vidider is installed"
!define MUI_FINISHPAGE_TEXT "You find it in the Screen Saver Settings. Add or Remove Programs removes it again."
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open Screen Saver Settings"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenScreenSaverSettings
!insertmacro MUI_PAGE_FINISH

; The folder is the system folder: say that only vidider's files go.
!define MUI_UNCONFIRMPAGE_TEXT_TOP "vidider.scr and its uninstaller will be removed from this folder, with vidider's settings. Nothing else in the folder is touched."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; The 32-bit system folder as the system names it: SysWOW64 on 64-bit
; Windows (where a 32-bit program's System32 is redirected there), else the
; system folder ($SYSDIR: SYSTEM on the 9x family, System32 on NT).
; GetSystemWow64Directory is on XP and later; it fails on 32-bit Windows,
; and the System plug-in reports "error" where the function is missing.
!macro FindSaverDir OUT
  StrCpy ${OUT} $SYSDIR
  ${If} ${IsNT}
    System::Call 'kernel32::GetSystemWow64DirectoryA(t .r0, i ${NSIS_MAX_STRLEN}) i .r1'
    ${If} $1 != "error"
    ${AndIf} $1 != 0
      StrCpy ${OUT} $0
    ${EndIf}
  ${EndIf}
!macroend

; The name SCRNSAVE.EXE gets for a saver file: its short (8.3) path on the
; 9x family and on NT before Vista, whose Display Properties store and start
; savers by that name; the full path from Vista on.
!macro SaverNameFor OUT FILE
  ${If} ${AtLeastWinVista}
    StrCpy ${OUT} "${FILE}"
  ${Else}
    GetFullPathName /SHORT ${OUT} "${FILE}"
    StrCmp ${OUT} "" 0 +2
      StrCpy ${OUT} "${FILE}"
  ${EndIf}
!macroend

; The current screen saver: HKCU on the NT family, SYSTEM.INI's [boot]
; section on the 9x family.
!macro ReadCurrentSaver OUT
  ${If} ${IsNT}
    ReadRegStr ${OUT} HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${Else}
    ReadINIStr ${OUT} "$WINDIR\system.ini" "boot" "SCRNSAVE.EXE"
  ${EndIf}
!macroend

; Whether a SCRNSAVE.EXE value names the saver file FILE, in its long or short form.
!macro NamesSaver OUT VALUE FILE
  StrCpy ${OUT} 0
  ${If} "${VALUE}" != ""
    GetFullPathName /SHORT $R8 "${FILE}"
    ${If} "${VALUE}" == "${FILE}"
    ${OrIf} "${VALUE}" == $R8
      StrCpy ${OUT} 1
    ${EndIf}
  ${EndIf}
!macroend

Function .onInit
  !insertmacro FindSaverDir $SaverDir
  StrCpy $INSTDIR $SaverDir

  ; An installed vidider: its settings stay what they are unless told.
  StrCpy $Upgrade 0
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "UninstallString"
  StrCmp $0 "" +2
    StrCpy $Upgrade 1

  StrCpy $Stage "fill"
  StrCpy $Activate 1
  ${If} $Upgrade == 1
    ReadRegStr $0 HKCU "${SETTINGS_KEY}" "Stage"
    ${If} $0 != "fill"  ; StrCmp is case-blind, as the saver is
      StrCpy $Stage "classic"
    ${EndIf}
    !insertmacro ReadCurrentSaver $0
    !insertmacro NamesSaver $Activate $0 "$SaverDir\vidider.scr"
  ${EndIf}

  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/STAGE=" $0
  ${IfNot} ${Errors}
    ${If} $0 == "fill"
      StrCpy $Stage "fill"
    ${ElseIf} $0 == "classic"
      StrCpy $Stage "classic"
    ${Else}
      MessageBox MB_OK|MB_ICONSTOP "Unknown stage $\"$0$\": /STAGE=fill or /STAGE=classic.$\r$\nNothing was installed." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/NOACTIVATE" $0
  ${IfNot} ${Errors}
    StrCpy $Activate 0
  ${EndIf}
FunctionEnd

Function StagePage
  !insertmacro MUI_HEADER_TEXT "Stage" "How much of the screen the moire fills."
  nsDialogs::Create 1018
  Pop $0
  ${If} $0 == error
    Abort
  ${EndIf}
  ; The two choices one after the other, so that the arrow keys move
  ; between them; each label starts a group of its own.
  ${NSD_CreateRadioButton} 0 0u 100% 12u "&Fill every screen (recommended)"
  Pop $FillRadio
  ${NSD_AddStyle} $FillRadio ${WS_GROUP}
  ${NSD_CreateRadioButton} 0 38u 100% 12u "&Classic 1024 x 768 stage"
  Pop $ClassicRadio
  ${NSD_CreateLabel} 12u 13u -12u 20u "The moire reaches every edge of every monitor."
  Pop $0
  ${NSD_AddStyle} $0 ${WS_GROUP}
  ${NSD_CreateLabel} 12u 51u -12u 20u "The moire lies in a 1024 x 768 box in the middle of the main monitor; the rest is black."
  Pop $0
  ${NSD_CreateCheckBox} 0 84u 100% 12u "&Make vidider my screen saver"
  Pop $ActivateBox
  ${NSD_AddStyle} $ActivateBox ${WS_GROUP}
  ${If} $Stage == "fill"
    ${NSD_Check} $FillRadio
    ${NSD_SetFocus} $FillRadio
  ${Else}
    ${NSD_Check} $ClassicRadio
    ${NSD_SetFocus} $ClassicRadio
  ${EndIf}
  ${If} $Activate == 1
    ${NSD_Check} $ActivateBox
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function StageLeave
  ${NSD_GetState} $FillRadio $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $Stage "fill"
  ${Else}
    StrCpy $Stage "classic"
  ${EndIf}
  ${NSD_GetState} $ActivateBox $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $Activate 1
  ${Else}
    StrCpy $Activate 0
  ${EndIf}
FunctionEnd

; What a failed install leaves: nothing. The new files wait under names of
; their own until everything that can fail has been done.
Function .onInstFailed
  Delete "$SaverDir\vidider.new"
  Delete "$SaverDir\vidider-uninstall.new"
  ${If} $Upgrade == 0
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${EndIf}
FunctionEnd

Function .onInstSuccess
  IfRebootFlag 0 +2
    SetErrorLevel 3010
FunctionEnd

; Puts NEW in the place of TARGET. An old TARGET is renamed aside first:
; Windows lets a running program's file be renamed, so this works while the
; Screen Saver Settings' preview runs the old saver; the old file is then
; deleted, or at the next restart while it is still running. Only where even
; the rename fails (the 9x family keeps a running program's file locked)
; does NEW replace TARGET at the next restart.
!macro PutInPlace NEW TARGET
  ClearErrors
  ${If} ${FileExists} "${TARGET}"
    StrCpy $R1 "${TARGET}.old"
    Delete $R1
    ${If} ${FileExists} $R1
      GetTempFileName $R1 $SaverDir
      Delete $R1
    ${EndIf}
    Rename "${TARGET}" $R1
    ${If} ${Errors}
      DetailPrint "${TARGET} is in use: it is replaced at the next restart"
      ClearErrors
      Rename /REBOOTOK "${NEW}" "${TARGET}"
    ${Else}
      Rename "${NEW}" "${TARGET}"
      ${If} ${Errors}
        Rename $R1 "${TARGET}"
        Abort "Could not put ${TARGET} in place."
      ${EndIf}
      ; The old file, still running, goes at the next restart; the install
      ; itself is complete, so no restart is asked for.
      ${If} ${RebootFlag}
        Delete /REBOOTOK $R1
      ${Else}
        Delete /REBOOTOK $R1
        SetRebootFlag false
      ${EndIf}
    ${EndIf}
  ${Else}
    Rename "${NEW}" "${TARGET}"
    ${If} ${Errors}
      Abort "Could not put ${TARGET} in place."
    ${EndIf}
  ${EndIf}
!macroend

Section "vidider"
  SetOutPath $SaverDir
  ; The new files first, beside whatever is there: no rights or no room
  ; stops the install here, with nothing changed.
  SetOverwrite try
  ClearErrors
  File "/oname=vidider.new" "${SAVER}"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "vidider cannot be written into $SaverDir.$\r$\nThe installer needs administrator rights and 400 KB free there." /SD IDOK
    Abort "Cannot write into $SaverDir."
  ${EndIf}
  ClearErrors
  WriteUninstaller "$SaverDir\vidider-uninstall.new"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "The uninstaller cannot be written into $SaverDir.$\r$\nThe installer needs administrator rights and 400 KB free there." /SD IDOK
    Abort "Cannot write into $SaverDir."
  ${EndIf}

  ; Add or Remove Programs.
  ClearErrors
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "vidider"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SaverDir\vidider.scr,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$SaverDir\vidider-uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$SaverDir\vidider-uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} $SaverDir "/M=vidider*.new /S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "Add or Remove Programs cannot be told of vidider: the installer needs administrator rights." /SD IDOK
    Abort "Cannot write the uninstall entry."
  ${EndIf}

  !insertmacro PutInPlace "$SaverDir\vidider.new" "$SaverDir\vidider.scr"
  !insertmacro PutInPlace "$SaverDir\vidider-uninstall.new" "$SaverDir\vidider-uninstall.exe"

  ; The user's own settings. SleepTime and anything else under the key stay.
  ${If} $Stage == "fill"
    WriteRegStr HKCU "${SETTINGS_KEY}" "Stage" "fill"
  ${Else}
    DeleteRegValue HKCU "${SETTINGS_KEY}" "Stage"
  ${EndIf}

  !insertmacro SaverNameFor $SaverPath "$SaverDir\vidider.scr"
  ${If} $Activate == 1
    ${If} ${IsNT}
      WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $SaverPath
      WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
    ${Else}
      WriteINIStr "$WINDIR\system.ini" "boot" "SCRNSAVE.EXE" $SaverPath
      FlushINI "$WINDIR\system.ini"
    ${EndIf}
    ; Tells the running session too, as the Display Properties do.
    System::Call 'user32::SystemParametersInfoA(i ${SPI_SETSCREENSAVEACTIVE}, i 1, i 0, i ${SPIF_SAVE_AND_TELL})'
  ${EndIf}
SectionEnd

; The Screen Saver Settings with vidider chosen. From Vista on, where vidider
; is already the user's saver, control.exe opens the dialog as it is
; (desk.cpl,screensaver,@screensaver); elsewhere desk.cpl's InstallScreenSaver,
; what a .scr file's Install command runs, chooses vidider and opens it. A
; 32-bit installer reaches the 64-bit tools through Sysnative.
Function OpenScreenSaverSettings
  StrCpy $0 $SYSDIR
  ${If} ${FileExists} "$WINDIR\Sysnative\control.exe"
    StrCpy $0 "$WINDIR\Sysnative"
  ${EndIf}
  GetFullPathName /SHORT $1 "$SaverDir\vidider.scr"
  ${If} ${AtLeastWinVista}
  ${AndIf} $Activate == 1
    Exec '"$0\control.exe" desk.cpl,screensaver,@screensaver'
  ${Else}
    Exec '"$0\rundll32.exe" desk.cpl,InstallScreenSaver $1'
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; The uninstaller lies beside the saver: $INSTDIR is that folder.
  !insertmacro ReadCurrentSaver $0
  !insertmacro NamesSaver $1 $0 "$INSTDIR\vidider.scr"
  ${If} $1 == 1
    ; What the Display Properties do for "(None)".
    ${If} ${IsNT}
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${Else}
      DeleteINIStr "$WINDIR\system.ini" "boot" "SCRNSAVE.EXE"
      FlushINI "$WINDIR\system.ini"
    ${EndIf}
    System::Call 'user32::SystemParametersInfoA(i ${SPI_SETSCREENSAVEACTIVE}, i 0, i 0, i ${SPIF_SAVE_AND_TELL})'
  ${EndIf}

  Delete /REBOOTOK "$INSTDIR\vidider.scr"
  Delete /REBOOTOK "$INSTDIR\vidider.scr.old"
  Delete /REBOOTOK "$INSTDIR\vidider-uninstall.exe"
  Delete /REBOOTOK "$INSTDIR\vidider-uninstall.exe.old"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "${MAKER_KEY}"
SectionEnd

Function un.onUninstSuccess
  IfRebootFlag 0 +2
    SetErrorLevel 3010
FunctionEnd
