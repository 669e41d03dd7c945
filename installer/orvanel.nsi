; Installer of Orvanel: the program, its three libraries, the two context-menu pages and the
; delivered lists, into "Orvanel" under the 32-bit program files folder, with the 64-bit
; companions in its sub-folder "x64". Built by
;   makensis -INPUTCHARSET UTF8 -DBUILD_DEFINES=<file> installer/orvanel.nsi
; where the build's file (installer/CMakeLists.txt writes it) defines VERSION, PROGRAM_DIR (the
; staged program folder), OUTFILE, MAIN_CLASS and MAIN_CAPTION (the main window's, read from the
; program's sources) and BITS. The shipped build is 32-bit (BITS 32): a 32-bit installer, the
; 32-bit program files folder and registry view, the 32-bit RegSvr32, as the program itself
; sees the system. An x86_64 build (BITS 64) gets a 64-bit installer with the 64-bit ones.
;
; The installer runs elevated, so it registers the companions machine-wide (each bitness in its
; own registry view, with its own RegSvr32) and leaves a mark the program reads: the program then
; never unregisters them when it closes, and a later run without elevation still has the browser
; side. The finish page's "run" box starts the program through the shell, with the user's
; ordinary rights, not the installer's. The uninstaller unregisters both bitnesses.
;
; Silent use: setup.exe /S [/D=folder]; uninst.exe /S [/REMOVELISTS]. The user's lists
; (conf\KillAD.ini, conf\antix_data.ini, conf\urlShortcut.ini) survive an update and an
; uninstall; /REMOVELISTS (or the uninstaller's second component) removes them and the settings.

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!ifndef BUILD_DEFINES
  !error "makensis -DBUILD_DEFINES=<file written by the build> (see installer/CMakeLists.txt)"
!endif
!include "${BUILD_DEFINES}"
!if ${BITS} == 64
  Target amd64-unicode
  !define PROGRAM_FILES "$PROGRAMFILES64"
!else
  !define PROGRAM_FILES "$PROGRAMFILES"
!endif

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "x64.nsh"

!define PRODUCT "Orvanel"
!define PRODUCT_CN "岚澄欧凡诺"
!define PUBLISHER "Tavrosel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvanel"
!define RUN_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "TavroselOrvanel"
!define MENU_EXT_KEY "Software\Microsoft\Internet Explorer\MenuExt"
!define SETTINGS_KEY "Software\Tavrosel\Orvanel"
; The mark of the libraries the installer registered, under HKLM "${SETTINGS_KEY}" in the
; program's registry view (startup_integration.h).
!define MARK_VALUE "LibrariesRegistered"
!define START_MENU_FOLDER "$SMPROGRAMS\${PRODUCT_CN}"
; How long a running instance gets to run its close sequence before it is ended.
!define CLOSE_TIMEOUT_MS 15000

Name "${PRODUCT_CN} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "${PROGRAM_FILES}\${PRODUCT}"
; An update goes where the last install went.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PUBLISHER} ${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT_CN} (${PRODUCT})"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION RunProgramAsUser
!define MUI_UNCOMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one used when the system's is neither.
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

LangString StartMenuUninstall ${LANG_SIMPCHINESE} "卸载${PRODUCT_CN}"
LangString StartMenuUninstall ${LANG_ENGLISH} "Uninstall ${PRODUCT}"
LangString SectionProgram ${LANG_SIMPCHINESE} "程序文件"
LangString SectionProgram ${LANG_ENGLISH} "Program files"
LangString SectionLists ${LANG_SIMPCHINESE} "同时删除我的名单和设置"
LangString SectionLists ${LANG_ENGLISH} "Also remove my lists and settings"
LangString StillRunning ${LANG_SIMPCHINESE} "${PRODUCT_CN}仍在运行，未能正常退出。是否强制结束它？"
LangString StillRunning ${LANG_ENGLISH} "${PRODUCT} is still running and did not close. End it now?"

; The registry view of the program's bitness (a 32-bit installer is in the 32-bit one already).
!macro UseProgramsRegistryView
  !if ${BITS} == 64
    SetRegView 64
  !endif
!macroend

Function .onInit
  !insertmacro UseProgramsRegistryView
FunctionEnd

; ---- the companions, registered by the installer ----
; RegSvr32 with its options ("/s", or "/s /u") on both libraries of each bitness: RegSvr32 of the
; program's bitness on those beside the program, which belong to the program's registry view; on
; 64-bit Windows the 32-bit installer also runs the 64-bit RegSvr32 (file system redirection off)
; on those in "x64", which belong to the 64-bit view. $0 and $1 get the exit codes of the
; program's own bitness.
!macro RegSvr32Libraries options
  ExecWait '"$SYSDIR\regsvr32.exe" ${options} "$INSTDIR\Selmont.dll"' $0
  ExecWait '"$SYSDIR\regsvr32.exe" ${options} "$INSTDIR\Darrowin.dll"' $1
  !if ${BITS} == 32
    ${If} ${RunningX64}
      ${DisableX64FSRedirection}
      ExecWait '"$SYSDIR\regsvr32.exe" ${options} "$INSTDIR\x64\Selmont.dll"'
      ExecWait '"$SYSDIR\regsvr32.exe" ${options} "$INSTDIR\x64\Darrowin.dll"'
      ${EnableX64FSRedirection}
    ${EndIf}
  !endif
!macroend

; Registers them machine-wide; the mark is written when the program's own bitness registered.
Function RegisterLibraries
  Push $0
  Push $1
  StrCpy $0 1
  StrCpy $1 1
  !insertmacro RegSvr32Libraries "/s"
  ${If} $0 == 0
  ${AndIf} $1 == 0
    WriteRegDWORD HKLM "${SETTINGS_KEY}" "${MARK_VALUE}" 1
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; What RegisterLibraries registered (and a registration an elevated run of the program left),
; and the mark.
Function un.UnregisterLibraries
  Push $0
  Push $1
  !insertmacro RegSvr32Libraries "/s /u"
  Pop $1
  Pop $0
  DeleteRegValue HKLM "${SETTINGS_KEY}" "${MARK_VALUE}"
  DeleteRegKey /ifempty HKLM "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKLM "Software\Tavrosel"
FunctionEnd

; The finish page's "run" box. The installer runs elevated and a program it started would too;
; the shell runs with the user's ordinary rights, and starts it when asked to open it.
Function RunProgramAsUser
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\Orvanel.exe"'
FunctionEnd

; ---- ends a running instance through its window contract ----
; The main window is found by class and caption, as the companions find it; WM_CLOSE runs the
; program's own close sequence (lists saved, hook off, menu keys removed). A close that fails
; (its error box stays open) or hangs is ended after the timeout, silently in silent mode, else
; after asking.
!macro EndRunningInstance un
Function ${un}EndRunningInstance
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $3 0
  loop:
    FindWindow $0 "${MAIN_CLASS}" "${MAIN_CAPTION}"
    StrCmp $0 0 done
    IntOp $3 $3 + 1
    ${If} $3 > 5  ; a window that outlives five rounds is not going away
      Goto done
    ${EndIf}
    System::Call "user32::GetWindowThreadProcessId(p r0, *i 0 r1)"
    ; SYNCHRONIZE | PROCESS_TERMINATE
    System::Call "kernel32::OpenProcess(i 0x00100001, i 0, i r1) p .r2"
    System::Call "user32::PostMessage(p r0, i 0x0010, p 0, p 0)"  ; WM_CLOSE
    ${If} $2 = 0
      Sleep 1000
      Goto loop
    ${EndIf}
    System::Call "kernel32::WaitForSingleObject(p r2, i ${CLOSE_TIMEOUT_MS}) i .r1"
    ${If} $1 != 0
      ${If} ${Silent}
        System::Call "kernel32::TerminateProcess(p r2, i 1)"
      ${ElseIf} ${Cmd} `MessageBox MB_YESNO|MB_ICONEXCLAMATION "$(StillRunning)" IDYES`
        System::Call "kernel32::TerminateProcess(p r2, i 1)"
      ${EndIf}
      System::Call "kernel32::WaitForSingleObject(p r2, i 5000)"
    ${EndIf}
    System::Call "kernel32::CloseHandle(p r2)"
    Goto loop
  done:
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro EndRunningInstance ""
!insertmacro EndRunningInstance "un."

Section "!$(SectionProgram)" SecProgram
  SectionIn RO
  ; The program's files are replaced: a running copy must end first.
  Call EndRunningInstance
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "${PROGRAM_DIR}/Orvanel.exe"
  File "${PROGRAM_DIR}/Cravet.dll"
  File "${PROGRAM_DIR}/Selmont.dll"
  File "${PROGRAM_DIR}/Darrowin.dll"
  File "${PROGRAM_DIR}/GetCurrent.htm"
  File "${PROGRAM_DIR}/GetLink.htm"
  !if ${BITS} == 32
    SetOutPath "$INSTDIR\x64"
    File "${PROGRAM_DIR}/x64/Selmont.dll"
    File "${PROGRAM_DIR}/x64/Darrowin.dll"
  !endif
  SetOutPath "$INSTDIR\conf"
  ; The lists are saved by the program in a session without elevation: the Users group
  ; (S-1-5-32-545, any language) may modify "conf" and what is made in it, and nothing else of
  ; the program's folder, from which the program and the browser load code.
  nsExec::Exec '"$SYSDIR\icacls.exe" "$INSTDIR\conf" /grant *S-1-5-32-545:(OI)(CI)M'
  Pop $0
  File "${PROGRAM_DIR}/conf/blocked.wav"
  ; The lists are the user's once installed: an update leaves them as the user edited them.
  SetOverwrite off
  File "${PROGRAM_DIR}/conf/KillAD.ini"
  File "${PROGRAM_DIR}/conf/antix_data.ini"
  File "${PROGRAM_DIR}/conf/urlShortcut.ini"
  SetOverwrite on
  SetOutPath "$INSTDIR"

  WriteUninstaller "$INSTDIR\uninst.exe"
  Call RegisterLibraries

  CreateDirectory "${START_MENU_FOLDER}"
  CreateShortcut "${START_MENU_FOLDER}\${PRODUCT_CN}.lnk" "$INSTDIR\Orvanel.exe" "" "$INSTDIR\Orvanel.exe" 0
  CreateShortcut "${START_MENU_FOLDER}\$(StartMenuUninstall).lnk" "$INSTDIR\uninst.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_CN} (${PRODUCT}) ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$\"$INSTDIR\Orvanel.exe$\",0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\uninst.exe$\""
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\uninst.exe$\" /S"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; In KiB, as the list of installed programs shows it.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; ---- uninstaller ----
Section "!un.$(SectionProgram)" SecUninstallProgram
  SectionIn RO
  SetShellVarContext all
  Call un.EndRunningInstance

  Call un.UnregisterLibraries
  DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  ; Written there by a run without elevation (of the user who uninstalls).
  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ; The program removes the context-menu keys at its close; an instance that was ended, or
  ; crashed, leaves them behind.
  DeleteRegKey HKCU "${MENU_EXT_KEY}\当前页面加入黑名单"
  DeleteRegKey HKCU "${MENU_EXT_KEY}\加入黑名单"

  Delete "$INSTDIR\Orvanel.exe"
  Delete "$INSTDIR\Cravet.dll"
  Delete "$INSTDIR\Selmont.dll"
  Delete "$INSTDIR\Darrowin.dll"
  Delete "$INSTDIR\GetCurrent.htm"
  Delete "$INSTDIR\GetLink.htm"
  Delete "$INSTDIR\x64\Selmont.dll"
  Delete "$INSTDIR\x64\Darrowin.dll"
  RMDir "$INSTDIR\x64"
  Delete "$INSTDIR\conf\blocked.wav"
  Delete "$INSTDIR\uninst.exe"

  Delete "${START_MENU_FOLDER}\${PRODUCT_CN}.lnk"
  ; Both languages' names: the uninstaller may run in another language than the installer did.
  Delete "${START_MENU_FOLDER}\卸载${PRODUCT_CN}.lnk"
  Delete "${START_MENU_FOLDER}\Uninstall ${PRODUCT}.lnk"
  RMDir "${START_MENU_FOLDER}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.$(SectionLists)" SecLists
  Delete "$INSTDIR\conf\KillAD.ini"
  Delete "$INSTDIR\conf\antix_data.ini"
  Delete "$INSTDIR\conf\urlShortcut.ini"
  ; What a save cut off (the session ended, the power went) left beside a list.
  Delete "$INSTDIR\conf\*.ini.~*.tmp"
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Tavrosel"
SectionEnd

Section "-un.folders"
  ; Only empty folders go: kept lists and the reports the user exported stay where they are.
  RMDir "$INSTDIR\conf"
  RMDir "$INSTDIR"
SectionEnd

Function un.onInit
  !insertmacro UseProgramsRegistryView
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVELISTS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecLists}
  ${EndIf}
FunctionEnd
