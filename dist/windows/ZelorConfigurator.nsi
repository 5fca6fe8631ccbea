; The setup program of ZelorConfigurator for 64-bit Windows, made by
; scripts/package-windows with Debian's makensis:
;   makensis -DVERSION=3.2 -DSTAGE=<installed folder> -DICON=<.ico>
;            -DFINISH_BITMAP=<164 x 314 .bmp> -DFILE_LIST=<.nsh>
;            -DOUTFILE=<setup.exe> ZelorConfigurator.nsi
; FILE_LIST holds the uninstaller's Delete and RMDir lines for every file and
; folder of STAGE. It installs the folder STAGE per machine under Program Files, adds two
; Start-menu entries (the program, and "ZelorConfigurator (English)", which
; starts it in the installed english folder where language.txt lies) and an
; uninstaller listed under Windows' installed programs. Its finish page
; offers a desktop shortcut and to start the program now, both in the
; setup's language. The setup program and the uninstaller speak Russian, as
; the program does, and English where Windows' own language is English. "/S"
; installs silently (no desktop shortcut, nothing started), "/D=FOLDER"
; (last on the command line) into another folder.

Unicode true
; The setup program's name holds "setup", as users expect; makensis warns
; of the compatibility shims Windows gives programs so named.
!pragma warning disable 9000
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "x64.nsh"

!define PRODUCT "ZelorConfigurator"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define MENU_FOLDER "$SMPROGRAMS\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "Software\${PRODUCT}" "InstallDir"
BrandingText "${PRODUCT} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${FINISH_BITMAP}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${FINISH_BITMAP}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; The finish page's two offers: MUI's "show the readme" box carries the
; desktop shortcut.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
!define MUI_FINISHPAGE_SHOWREADME
!define MUI_FINISHPAGE_SHOWREADME_TEXT "$(DesktopShortcut)"
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION MakeDesktopShortcut
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_UNPAGE_FINISH
; Russian first: the language of a system whose own is neither.
!insertmacro MUI_LANGUAGE "Russian"
!insertmacro MUI_LANGUAGE "English"

LangString Needs64Bit ${LANG_RUSSIAN} "Для ${PRODUCT} нужна 64-разрядная Windows."
LangString Needs64Bit ${LANG_ENGLISH} "${PRODUCT} needs 64-bit Windows."
LangString DesktopShortcut ${LANG_RUSSIAN} "Создать ярлык на рабочем столе"
LangString DesktopShortcut ${LANG_ENGLISH} "Create a desktop shortcut"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "Zelor"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Zelor"

; English where the user's language of Windows is English (any English),
; Russian everywhere else.
!macro ChooseLanguage
  System::Call "kernel32::GetUserDefaultUILanguage() i .r0"
  IntOp $0 $0 & 0x3FF
  ${If} $0 = 0x09
    StrCpy $LANGUAGE ${LANG_ENGLISH}
  ${Else}
    StrCpy $LANGUAGE ${LANG_RUSSIAN}
  ${EndIf}
!macroend

Function .onInit
  !insertmacro ChooseLanguage
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "$(Needs64Bit)"
    Abort
  ${EndIf}
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  !insertmacro ChooseLanguage
  SetRegView 64
  SetShellVarContext all
FunctionEnd

; The finish page's offers start the program in the setup's language: in the
; english folder where the setup speaks English, as the English entry does.
Function StartProgram
  ${If} $LANGUAGE = ${LANG_ENGLISH}
    SetOutPath "$INSTDIR\english"
  ${Else}
    SetOutPath "$INSTDIR"
  ${EndIf}
  Exec '"$INSTDIR\${PRODUCT}.exe"'
  SetOutPath "$INSTDIR"
FunctionEnd

Function MakeDesktopShortcut
  ${If} $LANGUAGE = ${LANG_ENGLISH}
    SetOutPath "$INSTDIR\english"
    CreateShortcut "$DESKTOP\${PRODUCT} (English).lnk" "$INSTDIR\${PRODUCT}.exe"
  ${Else}
    SetOutPath "$INSTDIR"
    CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\${PRODUCT}.exe"
  ${EndIf}
  SetOutPath "$INSTDIR"
FunctionEnd

Section "${PRODUCT}"
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; A shortcut starts in the folder of the SetOutPath before it.
  CreateDirectory "${MENU_FOLDER}"
  SetOutPath "$INSTDIR"
  CreateShortcut "${MENU_FOLDER}\${PRODUCT}.lnk" "$INSTDIR\${PRODUCT}.exe"
  SetOutPath "$INSTDIR\english"
  CreateShortcut "${MENU_FOLDER}\${PRODUCT} (English).lnk" "$INSTDIR\${PRODUCT}.exe"
  SetOutPath "$INSTDIR"

  WriteRegStr HKLM "Software\${PRODUCT}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Zelor"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PRODUCT}.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes what the setup program put in place, and the folder only when
; nothing else is left in it (say, tables the user saved there).
Section "Uninstall"
  Delete "${MENU_FOLDER}\${PRODUCT}.lnk"
  Delete "${MENU_FOLDER}\${PRODUCT} (English).lnk"
  RMDir "${MENU_FOLDER}"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT} (English).lnk"

  !include "${FILE_LIST}"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\${PRODUCT}"
SectionEnd
