; The Windows installer, pelderwick-setup-x64.exe, made by tools/make-windows-zip with Debian's
; makensis from the same files as the zip:
;   makensis -DSTAGE=<folder with the program> -DFILES=<its files' removal, a .nsh>
;            -DICON=<the program's icon> -DVERSION=0.2.0 -DOUTFILE=<setup.exe> this file
; It installs for the user alone, without administrator rights, into the user's programs folder;
; makes the Start menu's shortcut and, where the user leaves it chosen, the desktop's; registers
; its uninstaller under the user's "Apps"; and installed over an older version, replaces it. The
; envelopes in C:\brintlow\Pelderwick and the print settings stay when it is removed, unless the
; user asks for the settings to go too. "/S" installs and uninstalls silently.

Target amd64-unicode ; a 64-bit installer for the 64-bit program (Wine here has no 32-bit side)
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Pelderwick 信封列印"
!define PUBLISHER "brintlow"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelderwick"
!define SETTINGS_KEY "Software\brintlow\Pelderwick"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Pelderwick"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1028 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1028 "FileDescription" "${PRODUCT} 安裝程式"
VIAddVersionKey /LANG=1028 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1028 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1028 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1028 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\pelderwick.exe"
!define MUI_FINISHPAGE_RUN_TEXT "開啟 ${PRODUCT}"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "TradChinese"

; REMOVE_FILES: the installed files one by one, then their folders where empty; nothing else of
; the installation folder is ever removed.
!include "${FILES}"

; The program's main window is titled "Pelderwick": while one is open, it is asked to be closed
; (silently, the installer gives up instead of replacing a running program).
!macro CLOSE_RUNNING_PROGRAM
  ${Do}
    FindWindow $0 "" "Pelderwick"
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} 正在執行。請先關閉它，再按「重試」。" /SD IDCANCEL IDRETRY +2
    Abort "${PRODUCT} 正在執行"
  ${Loop}
!macroend

Section "!${PRODUCT}" program
  SectionIn RO
  !insertmacro CLOSE_RUNNING_PROGRAM
  ; An installed version is removed by its own uninstaller first: the new one is the only one left.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    ExecWait '"$0\uninstall.exe" /S _?=$0'
    Delete "$0\uninstall.exe"
    RMDir "$0"
  ${EndIf}
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\pelderwick.exe" "" "$INSTDIR\pelderwick.exe" 0
  ; Printing found without the notification area's icon too.
  CreateShortcut "$SMPROGRAMS\Pelderwick 列印設定.lnk" "$INSTDIR\pelderwick.exe" "--printer-settings" \
    "$INSTDIR\pelderwick.exe" 0
  ; A list printed, also without the icon: a file dialog first.
  CreateShortcut "$SMPROGRAMS\Pelderwick 名單列印.lnk" "$INSTDIR\pelderwick.exe" "--list" \
    "$INSTDIR\pelderwick.exe" 0
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\pelderwick.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "桌面捷徑" desktop
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\pelderwick.exe" "" "$INSTDIR\pelderwick.exe" 0
SectionEnd

Section "un.${PRODUCT}" un_program
  SectionIn RO
  !insertmacro CLOSE_RUNNING_PROGRAM
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\Pelderwick 列印設定.lnk"
  Delete "$SMPROGRAMS\Pelderwick 名單列印.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  !insertmacro REMOVE_FILES
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; Left unchosen: the print settings stay for a later installation. The envelopes in
; C:\brintlow\Pelderwick are never touched.
Section /o "un.同時刪除列印設定" un_settings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
SectionEnd

LangString DESC_program ${LANG_TRADCHINESE} "程式本身、它的 Qt 程式庫與「開始」功能表的捷徑。"
LangString DESC_desktop ${LANG_TRADCHINESE} "在桌面放一個捷徑。"
!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${program} $(DESC_program)
  !insertmacro MUI_DESCRIPTION_TEXT ${desktop} $(DESC_desktop)
!insertmacro MUI_FUNCTION_DESCRIPTION_END
