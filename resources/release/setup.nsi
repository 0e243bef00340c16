; The setup of 岚栖钟卫: installs the program per machine into the 64-bit Program Files, with a
; Start-menu shortcut for all users and an "Apps & features" entry, and writes the uninstaller
; that takes all of it away again. Made by scripts/make_setup.sh:
;
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.0.0 -DPAYLOAD=<folder> -DOUTFILE=<setup.exe> setup.nsi
;
; PAYLOAD holds LanqiClockGuard.exe and README.txt as they are shipped; `File` records their
; times, so the caller pins those for a setup of the same bytes on every build.

Unicode true
; The 64-bit stub: it runs under the 64-bit Wine of the tests, and its registry and file calls see
; the 64-bit views without redirection.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
; Sharp pages at 125-200 % display scaling, common on the laptops it is installed on.
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!ifndef VERSION | PAYLOAD | OUTFILE
  !error "define VERSION, PAYLOAD and OUTFILE (see the head of this file)"
!endif

!define PRODUCT "岚栖钟卫"
!define PUBLISHER "岚栖"
!define EXE "LanqiClockGuard.exe"
!define OFFSET_FILE "时差.ini"
!define UNINSTALLER "uninstall.exe"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\LanqiClockGuard"
; The program keeps its start-at-logon value in the 32-bit view of this key.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "LanqiClockGuard"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\LanqiClockGuard"
; An upgrade goes where the first install went (a silent install may have been given /D=).
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${__FILEDIR__}/../lanqi.ico"
!define MUI_UNICON "${__FILEDIR__}/../lanqi.ico"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "此程序将把 ${PRODUCT} ${VERSION} 安装到 $INSTDIR。$\r$\n$\r$\n\
  如果钟卫正在运行，安装程序会先结束它。你设定的时差每次修改都已保存，不会丢失；\
  开机启动设置也保持不变。$\r$\n$\r$\n点击 [安装(I)] 开始安装。"
; The setup runs elevated, so the program it starts is elevated too: no second UAC prompt.
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; EndRunningCopies: ends every process whose image is the installed exe and waits for each to be
; gone, since Windows refuses to replace or delete a running exe. The program has no quit command
; and saves every change of its offset at once, so ending it loses nothing. Only the Win32 calls
; of kernel32 are used: the command-line tools that could pick processes by their path are not on
; every Windows (wmic) or not under Wine (PowerShell), and a name alone would also end copies that
; run from other folders. Leaves in $0 how many such copies are still running.
!macro DEFINE_END_RUNNING_COPIES prefix
Function ${prefix}EndRunningCopies
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $0 0
  ; The exe's long path, as the system reports a process's image; no exe, nothing runs from it.
  System::Call 'kernel32::GetLongPathNameW(w "$INSTDIR\${EXE}", w .r1, i ${NSIS_MAX_STRLEN}) i .r2'
  ${If} $2 <> 0
    ; TH32CS_SNAPPROCESS; a PROCESSENTRY32W is 568 bytes in a 64-bit process, its id at offset 8.
    System::Call 'kernel32::CreateToolhelp32Snapshot(i 2, i 0) p .r2'
    ${If} $2 P<> -1
      System::Call '*(i 568, &i564) p .r3'
      System::Call 'kernel32::Process32FirstW(p r2, p r3) i .r4'
      ${DoWhile} $4 <> 0
        System::Call '*$3(i, i, i .r4)'
        Push $4
        Call ${prefix}EndCopyOf
        Pop $4
        IntOp $0 $0 + $4
        System::Call 'kernel32::Process32NextW(p r2, p r3) i .r4'
      ${Loop}
      System::Free $3
      System::Call 'kernel32::CloseHandle(p r2)'
    ${EndIf}
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
FunctionEnd

; EndCopyOf: takes a process id from the stack (the exe's long path in $1) and leaves 1 on it when
; that process runs the exe and could not be ended within 10 s, otherwise 0.
Function ${prefix}EndCopyOf
  Exch $4
  Push $5
  Push $6
  Push $7
  StrCpy $7 0
  ; PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE: enough to read the image of another user's
  ; process too.
  System::Call 'kernel32::OpenProcess(i 0x101000, i 0, i r4) p .r5'
  ${If} $5 P<> 0
    System::Call 'kernel32::QueryFullProcessImageNameW(p r5, i 0, w .r6, *i ${NSIS_MAX_STRLEN}) i .r7'
    ; StrCmp compares without case, as Windows compares paths.
    ${If} $7 <> 0
    ${AndIf} $6 == $1
      ; PROCESS_TERMINATE, asked only of a process that runs the exe.
      System::Call 'kernel32::OpenProcess(i 1, i 0, i r4) p .r6'
      ${If} $6 P<> 0
        System::Call 'kernel32::TerminateProcess(p r6, i 1)'
        System::Call 'kernel32::CloseHandle(p r6)'
      ${EndIf}
      ; WAIT_OBJECT_0 is 0: the process and its hold on the exe are gone.
      System::Call 'kernel32::WaitForSingleObject(p r5, i 10000) i .r7'
      ${If} $7 <> 0
        StrCpy $7 1
      ${EndIf}
    ${Else}
      StrCpy $7 0
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r5)'
  ${EndIf}
  StrCpy $4 $7
  Pop $7
  Pop $6
  Pop $5
  Exch $4
FunctionEnd
!macroend
!insertmacro DEFINE_END_RUNNING_COPIES ""
!insertmacro DEFINE_END_RUNNING_COPIES "un."

Section
  SetShellVarContext all
  SetRegView 64
  Call EndRunningCopies
  ${If} $0 <> 0
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} 正在运行，无法结束它。请在任务管理器里结束 ${EXE} 后再安装。" /SD IDOK
    Abort
  ${EndIf}

  ; 时差.ini and the start-at-logon value are the user's: an upgrade leaves both as they are.
  SetOutPath "$INSTDIR"
  ClearErrors
  File "${PAYLOAD}/${EXE}"
  File "${PAYLOAD}/README.txt"
  ; A file that cannot be written is skipped in a silent run; an exe left old must not pass for
  ; an install.
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "无法写入 $INSTDIR 里的文件，安装没有完成。" /SD IDOK
    Abort
  ${EndIf}
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\${EXE}"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\${EXE}",0'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Call un.EndRunningCopies
  ${If} $0 <> 0
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} 正在运行，无法结束它。请在任务管理器里结束 ${EXE} 后再卸载。" /SD IDOK
    Abort
  ${EndIf}
  ; The exe first: while it cannot go, everything stays, the entry too, so that the uninstall
  ; can be tried again from Settings → Apps.
  Delete "$INSTDIR\${EXE}"
  ${If} ${FileExists} "$INSTDIR\${EXE}"
    MessageBox MB_OK|MB_ICONSTOP "无法删除 $INSTDIR\${EXE}，卸载没有完成。" /SD IDOK
    Abort
  ${EndIf}

  ; The value is this copy's when it names the installed exe (a quoted command line, or the bare
  ; path older builds wrote); one that names a copy elsewhere still starts that copy and stays.
  SetRegView 32
  ReadRegStr $0 HKLM "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $0 == '"$INSTDIR\${EXE}"'
  ${OrIf} $0 == "$INSTDIR\${EXE}"
    DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
  SetRegView 64

  Delete "${SHORTCUT}"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\${OFFSET_FILE}"
  ; What a save cut short by a crash or power loss leaves beside the offset file.
  Delete "$INSTDIR\${OFFSET_FILE}.*.tmp"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Not /r: files the user put there stay, and so does the folder that holds them.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
