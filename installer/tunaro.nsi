; Tunaro-setup.exe: installs the suite as stage_setup.cmake staged it from the build tree.
; Built by stage_setup.cmake (makensis -INPUTCHARSET UTF8), which defines:
;   TUNARO_ARCH      x86 (the product, PE32) or amd64 (the 64-bit twin the tests run)
;   TUNARO_COMPRESS  lzma or zlib
;   TUNARO_OUTFILE   where the setup program goes
;   TUNARO_GENERATED the generated lists: files_*.nsh, register_*.nsh, shortcuts.nsh, ...
;   TUNARO_VERSION   a.b.c.d
;
; Command line (besides NSIS's own /S and /D=DIR, which must come last):
;   /LANGUAGE=ID   the value "Language" (2052 Chinese, 1033 English; any text is written as given)
;   /CARD=FAMILY   installs the simulated tuner card of that family (SAA7134, ..., NONE)
;   /CAMERA        the simulated card also lists a generic camera before the card
;   /LOG=FILE      appends what the setup registered to FILE

Unicode true
!if "${TUNARO_ARCH}" == "amd64"
  Target amd64-unicode
!else
  Target x86-unicode
!endif
!if "${TUNARO_COMPRESS}" == "zlib"
  SetCompressor zlib
!else
  SetCompressor /SOLID lzma
!endif

!include MUI2.nsh
!include nsDialogs.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

!define PRODUCT "Tunaro"
!define PUBLISHER "Tunaro Team"
!define SOFTWARE_KEY "Software\Tunaro"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tunaro"
!define DRIVERS32_KEY "Software\Microsoft\Windows NT\CurrentVersion\Drivers32"
!define UNINSTALLER "Uninstall.exe"
!searchparse /noerrors "${TUNARO_VERSION}" "" VERSION_MAJOR "." VERSION_MINOR "."

Name "${PRODUCT}"
Caption "$(SetupCaption)"
OutFile "${TUNARO_OUTFILE}"
!if "${TUNARO_ARCH}" == "amd64"
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
InstallDirRegKey HKLM "${SOFTWARE_KEY}" "Path"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION_MAJOR}.${VERSION_MINOR}"

VIProductVersion "${TUNARO_VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${TUNARO_VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION_MAJOR}.${VERSION_MINOR}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) ${PUBLISHER}"

Var ProgramLanguage   ; the value "Language" to write
Var CardFamily ; /CARD=: the simulated card's family, empty when not asked for
Var Camera     ; 1 with /CAMERA
Var LogFile    ; /LOG=
Var LangDialog
Var LangEnglish
Var LangChinese

; ---- pages -------------------------------------------------------------------------------------
!define MUI_ICON "${__FILEDIR__}\..\res\tunaro\tunaro.ico"
!define MUI_UNICON "${__FILEDIR__}\..\res\tunaro\tunaro.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${__FILEDIR__}\wizard.bmp"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${__FILEDIR__}\wizard.bmp"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "${__FILEDIR__}\header.bmp"
!define MUI_HEADERIMAGE_UNBITMAP "${__FILEDIR__}\header.bmp"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
Page custom LanguagePageCreate LanguagePageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Tunaro.exe"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString SetupCaption ${LANG_ENGLISH} "${PRODUCT} ${VERSION_MAJOR}.${VERSION_MINOR} Setup"
LangString SetupCaption ${LANG_SIMPCHINESE} "${PRODUCT} ${VERSION_MAJOR}.${VERSION_MINOR} 安装"
LangString LangPageTitle ${LANG_ENGLISH} "Language"
LangString LangPageTitle ${LANG_SIMPCHINESE} "语言"
LangString LangPageSubtitle ${LANG_ENGLISH} "Choose the language of the ${PRODUCT} programs."
LangString LangPageSubtitle ${LANG_SIMPCHINESE} "选择 ${PRODUCT} 程序的界面语言。"
LangString LangPageText ${LANG_ENGLISH} "The TV and FM programs, the scheduler and the remote agent show their menus and messages in this language."
LangString LangPageText ${LANG_SIMPCHINESE} "电视和收音机程序、预约程序及遥控程序将以此语言显示菜单和提示。"
LangString SecMainName ${LANG_ENGLISH} "${PRODUCT} (required)"
LangString SecMainName ${LANG_SIMPCHINESE} "${PRODUCT}（必需）"
LangString SecMainDesc ${LANG_ENGLISH} "The TV and FM programs, the scheduler, the remote agent and the components they need."
LangString SecMainDesc ${LANG_SIMPCHINESE} "电视和收音机程序、预约程序、遥控程序及其所需的组件。"
LangString SecSimCardName ${LANG_ENGLISH} "Simulated tuner card"
LangString SecSimCardName ${LANG_SIMPCHINESE} "模拟电视卡"
LangString SecSimCardDesc ${LANG_ENGLISH} "A TV and FM card with test pictures and tones, for trying the suite on a PC without a tuner card."
LangString SecSimCardDesc ${LANG_SIMPCHINESE} "带测试图像和声音的模拟电视/收音机卡，用于在没有电视卡的电脑上试用本套件。"
LangString RegisterFailed ${LANG_ENGLISH} "Could not register $R9. The installation is incomplete."
LangString RegisterFailed ${LANG_SIMPCHINESE} "无法注册 $R9，安装未完成。"
LangString UninstallLink ${LANG_ENGLISH} "Uninstall ${PRODUCT}"
LangString UninstallLink ${LANG_SIMPCHINESE} "卸载 ${PRODUCT}"

; ---- registration helpers (used by the generated register_*.nsh and unregister.nsh) -------------
; Appends a line to /LOG= (when given) and to the details list.
!macro TunaroLog text
  DetailPrint "${text}"
  ${If} $LogFile != ""
    FileOpen $R8 $LogFile a
    ${IfNot} ${Errors}
      FileSeek $R8 0 END
      FileWrite $R8 "${text}$\r$\n"
      FileClose $R8
    ${EndIf}
  ${EndIf}
!macroend

; Stops the installation with exit code 3 after a registration failed ($R9 names it).
!macro TunaroFail what
  StrCpy $R9 "${what}"
  !insertmacro TunaroLog "${what}: registration FAILED"
  MessageBox MB_OK|MB_ICONSTOP "$(RegisterFailed)" /SD IDOK
  SetErrorLevel 3
  Abort
!macroend

; Calls DllInstall(install, name) of a DLL; $R7 gets the HRESULT ("error" when it has none).
!macro TunaroDllInstall path install name
  System::Call 'kernel32::LoadLibraryW(w "${path}") p.R6'
  StrCpy $R7 "error"
  ${If} $R6 P<> 0
    System::Call 'kernel32::GetProcAddress(p R6, m "DllInstall") p.R5'
    ${If} $R5 P<> 0
      System::Call '::$R5(i ${install}, w "${name}") i.R7'
    ${EndIf}
    System::Call 'kernel32::FreeLibrary(p R6)'
  ${EndIf}
!macroend

; A COM server of ours: DllRegisterServer, or DllInstall(TRUE, name) when a name is given.
!macro TunaroRegisterCom path name
  ${If} "${name}" == ""
    ClearErrors
    RegDLL "${path}"
    ${If} ${Errors}
      !insertmacro TunaroFail "${path}"
    ${EndIf}
  ${Else}
    !insertmacro TunaroDllInstall "${path}" 1 "${name}"
    ${If} $R7 != 0
      !insertmacro TunaroFail "${path} (${name})"
    ${EndIf}
  ${EndIf}
  !insertmacro TunaroLog "${path} ${name}: registered"
!macroend

!macro TunaroUnregisterCom path name
  ${If} ${FileExists} "${path}"
    ${If} "${name}" == ""
      UnRegDLL "${path}"
    ${Else}
      !insertmacro TunaroDllInstall "${path}" 0 "${name}"
    ${EndIf}
  ${EndIf}
!macroend

; A stand-in for a class the system may have: registered only where no server is registered
; for the class; DllInstall(TRUE, name) when a name is given, else DllRegisterServer.
!macro TunaroRegisterComWhereMissing path clsid name
  ClearErrors
  ReadRegStr $R4 HKCR "CLSID\${clsid}\InprocServer32" ""
  ${If} ${Errors}
    ${If} "${name}" == ""
      ClearErrors
      RegDLL "${path}"
      ${If} ${Errors}
        !insertmacro TunaroFail "${path}"
      ${EndIf}
    ${Else}
      !insertmacro TunaroDllInstall "${path}" 1 "${name}"
      ${If} $R7 != 0
        !insertmacro TunaroFail "${path} (${name})"
      ${EndIf}
    ${EndIf}
    !insertmacro TunaroLog "${clsid}: none in the system; stand-in ${path} ${name} registered"
  ${Else}
    !insertmacro TunaroLog "${clsid}: the system has its own ($R4); stand-in not registered"
  ${EndIf}
!macroend

; Undone only where the class is still served by our file.
!macro TunaroUnregisterComWhereMissing path clsid name
  ReadRegStr $R4 HKCR "CLSID\${clsid}\InprocServer32" ""
  ${If} $R4 == "${path}"
    ${If} "${name}" == ""
      UnRegDLL "${path}"
    ${Else}
      !insertmacro TunaroDllInstall "${path}" 0 "${name}"
    ${EndIf}
  ${EndIf}
!macroend

; An installable driver (codec) under Drivers32, set only where the system has none.
!macro TunaroRegisterDriver file name
  ClearErrors
  ReadRegStr $R4 HKLM "${DRIVERS32_KEY}" "${name}"
  ${If} ${Errors}
    ClearErrors
    WriteRegStr HKLM "${DRIVERS32_KEY}" "${name}" "${file}"
    ${If} ${Errors}
      !insertmacro TunaroFail "${name}"
    ${EndIf}
    !insertmacro TunaroLog "${name}: no driver in the system; stand-in ${file} registered"
  ${Else}
    !insertmacro TunaroLog "${name}: the system has its own ($R4); stand-in not registered"
  ${EndIf}
!macroend

!macro TunaroUnregisterDriver file name
  ReadRegStr $R4 HKLM "${DRIVERS32_KEY}" "${name}"
  ${If} $R4 == "${file}"
    DeleteRegValue HKLM "${DRIVERS32_KEY}" "${name}"
  ${EndIf}
!macroend

; ---- sections ----------------------------------------------------------------------------------
Section "$(SecMainName)" SecMain
  SectionIn RO
  SetShellVarContext all
  !include "${TUNARO_GENERATED}\files_Unspecified.nsh"
  !include "${TUNARO_GENERATED}\files_userdata.nsh"

  WriteRegStr HKLM "${SOFTWARE_KEY}" "path" "$INSTDIR"
  WriteRegStr HKLM "${SOFTWARE_KEY}" "Path" "$INSTDIR"
  WriteRegStr HKLM "${SOFTWARE_KEY}" "Language" "$ProgramLanguage"

  !include "${TUNARO_GENERATED}\register_Unspecified.nsh"

  SetOutPath "$INSTDIR"
  CreateDirectory "$SMPROGRAMS\$(^Name)"
  !include "${TUNARO_GENERATED}\shortcuts.nsh"
  CreateShortcut "$SMPROGRAMS\$(^Name)\$(UninstallLink).lnk" "$INSTDIR\${UNINSTALLER}"

  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION_MAJOR}.${VERSION_MINOR}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${TUNARO_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tunaro.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; The simulated card: its family goes into simcard.ini before the driver registers, because the
; registration lists that family's filters.
Section /o "$(SecSimCardName)" SecSimCard
  ${If} $CardFamily == ""
    StrCpy $CardFamily "SAA7134"
  ${EndIf}
  Delete "$SYSDIR\simcard.ini"
  WriteINIStr "$SYSDIR\simcard.ini" "Config" "Family" "$CardFamily"
  WriteINIStr "$SYSDIR\simcard.ini" "Config" "GenericDevice" "$Camera"
  !include "${TUNARO_GENERATED}\files_simcard.nsh"
  !include "${TUNARO_GENERATED}\register_simcard.nsh"
  ReadINIStr $0 "$SYSDIR\simcard.ini" "Config" "TV1"
  ${If} $0 == ""
    !insertmacro TunaroFail "$SYSDIR\simcard.dll"
  ${EndIf}
  !insertmacro TunaroLog "simulated card: $CardFamily"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecMain} "$(SecMainDesc)"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecSimCard} "$(SecSimCardDesc)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; ---- the language page -------------------------------------------------------------------------
; Chinese for the values the programs read as Chinese (their low word 4, 1028, 2052, 3076, 4100).
!macro TunaroIsChineseValue value result
  IntOp ${result} ${value} & 0xFFFF
  ${If} ${result} = 4
  ${OrIf} ${result} = 1028
  ${OrIf} ${result} = 2052
  ${OrIf} ${result} = 3076
  ${OrIf} ${result} = 4100
    StrCpy ${result} 1
  ${Else}
    StrCpy ${result} 0
  ${EndIf}
!macroend

Function LanguagePageCreate
  !insertmacro MUI_HEADER_TEXT "$(LangPageTitle)" "$(LangPageSubtitle)"
  nsDialogs::Create 1018
  Pop $LangDialog
  ${If} $LangDialog == error
    Abort
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 24u "$(LangPageText)"
  Pop $0
  ${NSD_CreateFirstRadioButton} 12u 36u 200u 12u "English"
  Pop $LangEnglish
  ${NSD_CreateAdditionalRadioButton} 12u 52u 200u 12u "中文 (Chinese)"
  Pop $LangChinese
  !insertmacro TunaroIsChineseValue $ProgramLanguage $0
  ${If} $0 = 1
    ${NSD_Check} $LangChinese
  ${Else}
    ${NSD_Check} $LangEnglish
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function LanguagePageLeave
  ${NSD_GetState} $LangChinese $0
  ${If} $0 = ${BST_CHECKED}
    StrCpy $ProgramLanguage 2052
  ${Else}
    StrCpy $ProgramLanguage 1033
  ${EndIf}
FunctionEnd

Function .onInit
  ${GetParameters} $R0
  ; The programs' language follows the setup's own language unless the command line names one.
  StrCpy $ProgramLanguage $LANGUAGE
  ClearErrors
  ${GetOptions} $R0 "/LANGUAGE=" $0
  ${IfNot} ${Errors}
    StrCpy $ProgramLanguage $0
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/LOG=" $0
  ${IfNot} ${Errors}
    StrCpy $LogFile $0
  ${EndIf}
  StrCpy $Camera 0
  ClearErrors
  ${GetOptions} $R0 "/CAMERA" $0
  ${IfNot} ${Errors}
    StrCpy $Camera 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CARD=" $0
  ${IfNot} ${Errors}
    StrCpy $CardFamily $0
    !insertmacro SelectSection ${SecSimCard}
  ${EndIf}
FunctionEnd

; ---- uninstaller -------------------------------------------------------------------------------
; Removes what the setup put there; recordings, snapshots, the channel list and the programs'
; own settings files stay (and so does any folder that still holds them).
Section "Uninstall"
  SetShellVarContext all
  !include "${TUNARO_GENERATED}\unregister.nsh"
  !include "${TUNARO_GENERATED}\uninstall_files.nsh"
  Delete "$SYSDIR\simcard.ini"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR\Video"
  RMDir "$INSTDIR\Image"
  RMDir "$INSTDIR"

  !include "${TUNARO_GENERATED}\unshortcuts.nsh"
  ; Named in the setup's language, which the uninstaller's may differ from.
  Delete "$SMPROGRAMS\$(^Name)\Uninstall ${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\$(^Name)\卸载 ${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\$(^Name)"

  DeleteRegKey HKLM "${SOFTWARE_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd
