; The Windows installer, made by scripts/windows:
;   makensis -DVERSION=0.1.0 -DSTAGE=<the zip's folder> -DICON=<.ico> -DOUTFILE=<setup.exe> installer.nsi
; The programs and their DLLs go to <folder>\bin, the example settings and meshes to
; <folder>\share\sheetwright: the example there tells the programs they are installed, so each
; user keeps their own settings in %APPDATA%\Sheetwright\vellumist.ini, filled from the example
; at the first start. Silent: setup.exe /S [/D=folder]; uninstall.exe /S.
; A 64-bit installer for the 64-bit programs (and for Wine without its 32-bit half).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

Name "Sheetwright ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Sheetwright"
InstallDirRegKey HKLM "Software\Sheetwright" "InstallDir"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Sheetwright"

!include "MUI2.nsh"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Section "Sheetwright"
  SetShellVarContext all
  SetOutPath "$INSTDIR\bin"
  File /r /x vellumist.ini /x meshes /x README.md "${STAGE}\*.*"
  SetOutPath "$INSTDIR\share\sheetwright"
  File "${STAGE}\vellumist.ini"
  File "${STAGE}\README.md"
  File /r "${STAGE}\meshes"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Sheetwright"
  CreateShortcut "$SMPROGRAMS\Sheetwright\Sheetwright.lnk" "$INSTDIR\bin\sheetwright.exe" "" \
    "$INSTDIR\bin\sheetwright.exe" 0
  CreateShortcut "$SMPROGRAMS\Sheetwright\Sheetwright をアンインストール.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "Software\Sheetwright" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Sheetwright"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\bin\sheetwright.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Each user's settings stay: they are the user's work, not the program's.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Sheetwright\*.lnk"
  RMDir "$SMPROGRAMS\Sheetwright"
  RMDir /r "$INSTDIR\bin"
  RMDir /r "$INSTDIR\share"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Sheetwright"
SectionEnd
