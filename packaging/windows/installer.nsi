; Copyright (C) 2026 Tarnwell
; SPDX-License-Identifier: GPL-3.0-or-later
; The Windows installer. scripts/make-windows-installer compiles it with
; makensis and defines VERSION, VIVERSION, VENDOR, URL, BUNDLE (the built
; VOSK.vst3 folder), PRESETS_NSH (the install and uninstall lists of the factory
; presets), LICENSE (the licence's text, shown before anything is installed and
; installed beside the uninstaller) and OUTFILE.
;
; The bundle goes to the 64-bit Common Files\VST3, the factory presets to the
; shared factory location (ProgramData\VST3 Presets\<vendor>\<plug-in>), the
; uninstaller to Program Files\VOSK, registered under Add/Remove Programs.
; A 64-bit installer for a 64-bit plug-in: it runs where the module runs, and
; sees the 64-bit Program Files and registry without redirection.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "${PRESETS_NSH}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VOSK"
!define BUNDLE_DIR "$COMMONFILES64\VST3\VOSK.vst3"

Name "VOSK ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\VOSK"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VIVERSION}"
VIAddVersionKey "ProductName" "VOSK"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${VENDOR}"
VIAddVersionKey "FileDescription" "VOSK ${VERSION} setup"
VIAddVersionKey "LegalCopyright" "${VENDOR}, GNU GPL version 3 or later"

LicenseData "${LICENSE}"
LicenseForceSelection checkbox

Page license
Page instfiles
UninstPage instfiles

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "VOSK"
  ; An installed version goes first, through its own uninstaller, so that
  ; nothing of it stays beside this one (its files may differ from ours).
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    ExecWait '"$0\uninstall.exe" /S _?=$0'
    Delete "$0\uninstall.exe"
    RMDir "$0"
  ${EndIf}

  RMDir /r "${BUNDLE_DIR}"
  SetOutPath "${BUNDLE_DIR}"
  File /r "${BUNDLE}/*"
  !insertmacro InstallPresets

  SetOutPath "$INSTDIR"
  File "/oname=LICENSE.txt" "${LICENSE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "VOSK ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${VENDOR}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${URL}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; Add/Remove Programs shows the size in kilobytes.
  ${GetSize} "${BUNDLE_DIR}" "/S=0K" $1 $2 $3
  ${GetSize} "$INSTDIR" "/S=0K" $4 $2 $3
  IntOp $1 $1 + $4
  IntOp $1 $1 + ${PRESETS_KB}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1
SectionEnd

Section "Uninstall"
  RMDir /r "${BUNDLE_DIR}"
  ; Common Files\VST3 may hold other plug-ins: it goes only when empty.
  RMDir "$COMMONFILES64\VST3"
  ; Only the factory presets by name: a user's own presets beside them stay,
  ; and so do the folders that hold them.
  !insertmacro UninstallPresets
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
