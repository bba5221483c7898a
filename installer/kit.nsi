; The kit's installer: the tuning library, the tray manager, the report tool and the port
; drivers in one program directory; the tray manager in the user's Run key; a Start-menu folder;
; an uninstaller registered with Add/Remove Programs.
;
; makensis -DVERSION=<x.y> -DKIT_DIR=<dist/kit> -DOUTFILE=<installer.exe>
;          -DLICENCE_PAGE=<the licence, one line per paragraph (licence-page.sh)> kit.nsi
; Silent: setup.exe /S [/D=<folder>]; uninstall.exe /S [/REMOVESETTINGS]
; Exit codes: 0 done; 5 not an administrator (NT family); 3010 (uninstaller) done, but files in
; use are removed when Windows restarts. /PLAINUSER makes either act as for an account without
; administrator rights (how the tests see the refusal: Wine's user is always an administrator).

Unicode false
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinVer.nsh
!include x64.nsh

!define PRODUCT "Corvane Utility Manager"
!define PUBLISHER "Corvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\CorvaneUtilityManager"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "ktray"
!define SETTINGS_KEY "Software\Corvane\Kestrel4"
!define ID_APP_EXIT 57665
; The tuning tool's build as "a/b/c", the form the tray manager reads to find the tool's window
; by its title ("Kestrel4 Build a.bb.cc"): the kit's version, so that both agree.
!searchparse /noerrors "${VERSION}" "" VERSION_MAJOR "." VERSION_MINOR
!define TOOL_BUILD "${VERSION_MAJOR}/${VERSION_MINOR}/0"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Corvane\Utility Manager"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "MIT licence"

!ifndef LICENCE_PAGE
  !define LICENCE_PAGE "${KIT_DIR}\LICENSE.txt"
!endif

; The last page offers to start the tray manager, checked; a silent install starts nothing.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start the tray manager now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartTrayManager
!define MUI_FINISHPAGE_NOREBOOTSUPPORT

!insertmacro MUI_PAGE_LICENSE "${LICENCE_PAGE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The NT family installs a driver service and writes the system's folders and machine-wide keys:
; without administrator rights the installer and the uninstaller stop before doing anything,
; with a message (also in silent mode, where it is not shown) and exit code 5. Windows 9x has no
; such rights. /PLAINUSER only ever refuses.
!macro RequireAdministrator
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/PLAINUSER" $1
  ${If} ${Errors}
    StrCpy $1 "Admin"
    ${If} ${IsNT}
      UserInfo::GetAccountType
      Pop $1
    ${EndIf}
  ${Else}
    StrCpy $1 "User"
  ${EndIf}
  ${If} $1 != "Admin"
    MessageBox MB_ICONSTOP|MB_OK "$(^Name) needs administrator rights on this Windows: it installs a driver service. Sign in as an administrator and run this program again." /SD IDOK
    SetErrorLevel 5
    Quit
  ${EndIf}
!macroend

Function .onInit
  !insertmacro RequireAdministrator
FunctionEnd

; As the signed-in user: where Windows elevates the installer, Explorer starts the program
; without the installer's elevation; the Windows the kit runs on have none, and start it here.
Function StartTrayManager
  SetOutPath "$INSTDIR"
  ${If} ${AtLeastWinVista}
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\ktray.exe"'
  ${Else}
    Exec '"$INSTDIR\ktray.exe"'
  ${EndIf}
FunctionEnd

; Ends a running tray manager of this user through its own Exit command and waits for its
; process to end (its window goes first, its files stay in use until the process is gone).
!macro EndTrayManager
  System::Call 'user32::FindWindowA(p 0, t "CVXM20") p.r0'
  ${If} $0 != 0
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p.r2'  ; SYNCHRONIZE
    System::Call 'user32::PostMessageA(p r0, i 0x0111, i ${ID_APP_EXIT}, i 0)'
    ${If} $2 != 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i 10000) i'
      System::Call 'kernel32::CloseHandle(p r2)'
    ${Else}
      StrCpy $1 0
      ${Do}
        Sleep 100
        IntOp $1 $1 + 1
        System::Call 'user32::IsWindow(p r0) i.r3'
        ${If} $3 == 0
        ${OrIf} $1 >= 100
          ${Break}
        ${EndIf}
      ${Loop}
    ${EndIf}
  ${EndIf}
!macroend

Section "Kit" SecKit
  SectionIn RO
  !insertmacro EndTrayManager
  SetOutPath "$INSTDIR"
  File "${KIT_DIR}\kclk.dll"
  File "${KIT_DIR}\ktray.exe"
  File "${KIT_DIR}\kclkinfo.exe"
  File "${KIT_DIR}\kclktune.exe"
  File "${KIT_DIR}\KrDrv.W32"
  File "${KIT_DIR}\KrDrv.A64"
  File "${KIT_DIR}\README.txt"
  File "${KIT_DIR}\LICENSE.txt"
  SetOutPath "$INSTDIR\KR4"
  File "${KIT_DIR}\KR4\KR4.EXE"
  SetOutPath "$INSTDIR\sdk"
  File "${KIT_DIR}\kclk.h"
  File "${KIT_DIR}\kclk.def"
  File "${KIT_DIR}\libkclk.dll.a"
  SetOutPath "$INSTDIR"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\ktray.exe"'
  WriteRegStr HKLM "${SETTINGS_KEY}" "KR4Version" "${TOOL_BUILD}"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\ktray.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Tuning.lnk" "$INSTDIR\KR4\KR4.EXE"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Read me.lnk" "$INSTDIR\README.txt"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ktray.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; --- Uninstaller ---------------------------------------------------------------------------------

; The driver service that kclk.dll installed on the NT family: stopped, then deleted. Reported
; as removed only when it was; one still running is removed when Windows restarts.
!macro RemoveDriverService
  System::Call 'advapi32::OpenSCManagerA(p 0, p 0, i 0xF003F) p.r0'
  ${If} $0 != 0
    System::Call 'advapi32::OpenServiceA(p r0, t "KRDrv", i 0xF01FF) p.r1'
    ${If} $1 != 0
      System::Call '*(&i28) p.r2'
      System::Call 'advapi32::ControlService(p r1, i 1, p r2) i.r3'
      StrCpy $4 0
      StrCpy $5 0
      ${Do}
        System::Call 'advapi32::QueryServiceStatus(p r1, p r2) i.r3'
        System::Call '*$2(i, i.r5)'
        ${If} $3 == 0
        ${OrIf} $5 == 1
          ${Break}
        ${EndIf}
        Sleep 100
        IntOp $4 $4 + 1
      ${LoopWhile} $4 < 50
      System::Free $2
      System::Call 'advapi32::DeleteService(p r1) i.r3 ?e'
      Pop $6
      ${If} $3 == 0
        DetailPrint "Driver service KRDrv could not be removed (error $6)"
      ${ElseIf} $5 != 1
        DetailPrint "Driver service KRDrv is removed when Windows restarts"
        SetRebootFlag true
      ${Else}
        DetailPrint "Driver service KRDrv removed"
      ${EndIf}
      System::Call 'advapi32::CloseServiceHandle(p r1)'
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(p r0)'
  ${EndIf}
!macroend

Section "un.Kit" UnSecKit
  SectionIn RO
  !insertmacro EndTrayManager
  !insertmacro RemoveDriverService

  ; The driver file: the 32-bit system's, and on 64-bit Windows the native one (with file-system
  ; redirection off) as well as where older releases placed it. A file still in use is removed
  ; when Windows restarts.
  Delete /REBOOTOK "$SYSDIR\Drivers\KRDrv.sys"
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
    Delete /REBOOTOK "$SYSDIR\Drivers\KRDrv.sys"
    ${EnableX64FSRedirection}
  ${EndIf}

  Delete /REBOOTOK "$INSTDIR\kclk.dll"
  Delete /REBOOTOK "$INSTDIR\ktray.exe"
  Delete /REBOOTOK "$INSTDIR\kclkinfo.exe"
  Delete /REBOOTOK "$INSTDIR\kclktune.exe"
  Delete /REBOOTOK "$INSTDIR\KR4\KR4.EXE"
  RMDir /REBOOTOK "$INSTDIR\KR4"
  Delete /REBOOTOK "$INSTDIR\KrDrv.W32"
  Delete /REBOOTOK "$INSTDIR\KrDrv.A64"
  Delete /REBOOTOK "$INSTDIR\README.txt"
  Delete /REBOOTOK "$INSTDIR\LICENSE.txt"
  Delete /REBOOTOK "$INSTDIR\sdk\kclk.h"
  Delete /REBOOTOK "$INSTDIR\sdk\kclk.def"
  Delete /REBOOTOK "$INSTDIR\sdk\libkclk.dll.a"
  RMDir /REBOOTOK "$INSTDIR\sdk"
  ; The uninstaller runs from a copy of itself, so its own file is free (run in place with _?=,
  ; it stays, and so does the folder).
  Delete "$INSTDIR\uninstall.exe"
  ${If} ${FileExists} "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
  ${Else}
    RMDir /REBOOTOK "$INSTDIR"
  ${EndIf}
  RMDir "$INSTDIR\.."

  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Tuning.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Read me.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegValue HKLM "${SETTINGS_KEY}" "KR4Version"
  DeleteRegKey /ifempty HKLM "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKLM "Software\Corvane"
SectionEnd

; Off unless chosen (or /REMOVESETTINGS): what the tray manager and the tuning tool keep for this
; user: their values, the tool's profiles and start-up guard, and its journal. Values of the key
; that neither program writes are left alone.
Section /o "un.Remove my settings" UnSecSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}\Profiles"
  DeleteRegValue HKCU "${SETTINGS_KEY}" "StartupProfile"
  DeleteRegValue HKCU "${SETTINGS_KEY}" "StartupPending"
  DeleteRegValue HKCU "${SETTINGS_KEY}" "StartupFailed"
  DeleteRegValue HKCU "${SETTINGS_KEY}" "LastConfirmedSet"
  DeleteRegValue HKCU "${SETTINGS_KEY}" "KeepSeconds"
  DeleteRegValue HKCU "${SETTINGS_KEY}" "StartupDelay"
  DeleteRegValue HKCU "${SETTINGS_KEY}" "StartupWindow"
  SetShellVarContext current
  Delete "$APPDATA\Corvane\Kestrel4\journal.csv"
  Delete "$APPDATA\Corvane\Kestrel4\journal.1.csv"
  RMDir "$APPDATA\Corvane\Kestrel4"
  RMDir "$APPDATA\Corvane"
  DeleteRegKey HKCU "${SETTINGS_KEY}\AudioSetting"
  DeleteRegKey HKCU "${SETTINGS_KEY}\SmartFan"
  DeleteRegKey HKCU "${SETTINGS_KEY}\AutoOver"
  DeleteRegValue HKCU "${SETTINGS_KEY}" "CPUid"
  DeleteRegValue HKCU "${SETTINGS_KEY}" "CPUFamily"
  DeleteRegValue HKCU "${SETTINGS_KEY}" "FirstRun"
  DeleteRegKey /ifempty HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Corvane"
SectionEnd

; Last: files still in use (a tray manager that did not end, a driver still loaded) go when
; Windows restarts; the user is told, and the exit code says so.
Section "-un.RebootNotice"
  ${If} ${RebootFlag}
    DetailPrint "Some files are in use: they are removed when Windows restarts"
    MessageBox MB_ICONINFORMATION|MB_OK "Some of the kit's files are still in use. They are removed when Windows restarts." /SD IDOK
    SetErrorLevel 3010
  ${EndIf}
SectionEnd

!include Sections.nsh

Function un.onInit
  !insertmacro RequireAdministrator
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecSettings}
  ${EndIf}
FunctionEnd
