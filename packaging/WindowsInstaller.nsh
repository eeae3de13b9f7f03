; What the orb42-update installer does beyond CPack's NSIS template (packaging/Windows.cmake
; includes this file at the top of the script and calls these from the template's install
; section).
!include FileFunc.nsh
!include LogicLib.nsh

!define ORB42_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\orb42-update"
!define ORB42_VENDOR_KEY "Software\TALVIRE\orb42-update"

; Removes the installation that the Add/Remove Programs entry names, wherever its folder is, before
; the new one goes in: its own uninstaller runs silently and in place (_?=, without copying itself
; to the temporary folder, so that ExecWait waits for the uninstall itself), which leaves that
; uninstaller behind; it goes here, and the old folder with it unless something of the user's is
; still inside. An entry whose uninstaller is gone (a folder deleted by hand) is simply replaced.
; Silent in an interactive install as well: the user has chosen to install, and the details list
; names the folder that was removed.
Function Orb42RemovePreviousInstallation
  Push $R0
  Push $R1
  Push $R2
  ReadRegStr $R0 HKLM "${ORB42_UNINSTALL_KEY}" "UninstallString"
  ; "C:\...\Uninstall.exe", quoted by this installer; unquoted by older ones.
  StrCpy $R1 $R0 1
  ${If} $R1 == '"'
    StrCpy $R0 $R0 "" 1
    StrCpy $R1 $R0 1 -1
    ${If} $R1 == '"'
      StrCpy $R0 $R0 -1
    ${EndIf}
  ${EndIf}
  ${If} $R0 != ""
  ${AndIf} ${FileExists} $R0
    ${GetParent} $R0 $R1
    DetailPrint "Removing the installation in $R1"
    ClearErrors
    ExecWait '"$R0" /S _?=$R1' $R2
    ${If} ${Errors}
    ${OrIf} $R2 != 0
      DetailPrint "The uninstaller of $R1 failed ($R2): that folder stays"
    ${Else}
      Delete $R0
      RMDir $R1
    ${EndIf}
  ${EndIf}
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

; The Add/Remove Programs values that the template does not write: the folder, and the size of
; what is in it (KiB), measured once everything is there; and the language the installer spoke,
; where Modern UI keeps it ("Installer Language", a LANGID).
!macro Orb42RecordInstallation
  Push $R0
  Push $R1
  Push $R2
  WriteRegStr SHCTX "${ORB42_UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  ${GetSize} "$INSTDIR" "/S=0K" $R0 $R1 $R2
  WriteRegDWORD SHCTX "${ORB42_UNINSTALL_KEY}" "EstimatedSize" $R0
  WriteRegStr SHCTX "${ORB42_VENDOR_KEY}" "Installer Language" $LANGUAGE
  Pop $R2
  Pop $R1
  Pop $R0
!macroend
