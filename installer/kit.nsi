; The kit's installer: the tuning library, the tray manager, the report tool and the port
; drivers in one program directory; the tray manager in the user's Run key; a Start-menu folder;
; an uninstaller registered with Add/Remove Programs.
;
; makensis -DVERSION=<x.y> -DKIT_DIR=<dist/kit> -DOUTFILE=<installer.exe> kit.nsi
; Silent: setup.exe /S [/D=<folder>]; uninstall.exe /S [/REMOVESETTINGS]

Unicode false
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define PRODUCT "Corvane Utility Manager"
!define PUBLISHER "Corvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\CorvaneUtilityManager"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "ktray"
!define SETTINGS_KEY "Software\Corvane\Kestrel4"
!define ID_APP_EXIT 57665

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

Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage components
UninstPage instfiles

LicenseData "${KIT_DIR}\LICENSE.txt"

; Ends a running tray manager of this user through its own Exit command and waits for it.
!macro EndTrayManager
  System::Call 'user32::FindWindowA(p 0, t "CVXM20") p.r0'
  ${If} $0 != 0
    System::Call 'user32::PostMessageA(p r0, i 0x0111, i ${ID_APP_EXIT}, i 0)'
    StrCpy $1 0
    ${Do}
      Sleep 100
      IntOp $1 $1 + 1
      System::Call 'user32::IsWindow(p r0) i.r2'
      ${If} $2 == 0
      ${OrIf} $1 >= 50
        ${Break}
      ${EndIf}
    ${Loop}
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
  SetOutPath "$INSTDIR\sdk"
  File "${KIT_DIR}\kclk.h"
  File "${KIT_DIR}\kclk.def"
  File "${KIT_DIR}\libkclk.dll.a"
  SetOutPath "$INSTDIR"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\ktray.exe"'

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\ktray.exe"
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

; The driver service that kclk.dll installed on the NT family: stopped, then deleted.
!macro RemoveDriverService
  System::Call 'advapi32::OpenSCManagerA(p 0, p 0, i 0xF003F) p.r0'
  ${If} $0 != 0
    System::Call 'advapi32::OpenServiceA(p r0, t "KRDrv", i 0xF01FF) p.r1'
    ${If} $1 != 0
      System::Call '*(&i28) p.r2'
      System::Call 'advapi32::ControlService(p r1, i 1, p r2) i.r3'
      StrCpy $4 0
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
      System::Call 'advapi32::DeleteService(p r1) i.r3'
      DetailPrint "Driver service KRDrv removed"
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
  ; redirection off) as well as where older releases placed it.
  Delete "$SYSDIR\Drivers\KRDrv.sys"
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
    Delete "$SYSDIR\Drivers\KRDrv.sys"
    ${EnableX64FSRedirection}
  ${EndIf}

  Delete "$INSTDIR\kclk.dll"
  Delete "$INSTDIR\ktray.exe"
  Delete "$INSTDIR\kclkinfo.exe"
  Delete "$INSTDIR\kclktune.exe"
  Delete "$INSTDIR\KrDrv.W32"
  Delete "$INSTDIR\KrDrv.A64"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\sdk\kclk.h"
  Delete "$INSTDIR\sdk\kclk.def"
  Delete "$INSTDIR\sdk\libkclk.dll.a"
  RMDir "$INSTDIR\sdk"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$INSTDIR\.."

  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Read me.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; Off unless chosen (or /REMOVESETTINGS): what the tray manager keeps for this user. The tuning
; tool's own settings in the same key are left alone.
Section /o "un.Remove my settings" UnSecSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}\AudioSetting"
  DeleteRegKey HKCU "${SETTINGS_KEY}\SmartFan"
  DeleteRegKey HKCU "${SETTINGS_KEY}\AutoOver"
  DeleteRegValue HKCU "${SETTINGS_KEY}" "CPUid"
  DeleteRegValue HKCU "${SETTINGS_KEY}" "CPUFamily"
  DeleteRegValue HKCU "${SETTINGS_KEY}" "FirstRun"
  DeleteRegKey /ifempty HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Corvane"
SectionEnd

!include Sections.nsh

Function un.onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecSettings}
  ${EndIf}
FunctionEnd
