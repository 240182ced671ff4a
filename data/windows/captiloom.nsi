; The Windows installer of Captiloom, built by makensis (the `setup` target of
; the Windows build), which passes:
;   VERSION     the program's version, 3.5.0
;   SOURCE_DIR  the source tree (licence, icon)
;   FILE_LIST   the .nsh listing the staged installation's files
;   OUTFILE     the setup program to write
;
; Without administrator rights it installs for the current user into
; %LOCALAPPDATA%\Programs and registers under HKCU; started with them (or with
; /ALLUSERS) it installs for everyone into Program Files and registers under
; HKLM. /CURRENTUSER forces the first, /S makes both the installer and the
; uninstaller silent. The uninstaller removes the files listed in FILE_LIST,
; never a whole folder, so that a folder the user chose that held other files
; keeps them.

Unicode true
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
; Elevation is the user's choice (right click, run as administrator), which is
; what switches to the all-users installation.
RequestExecutionLevel user

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include "${FILE_LIST}"

!define APP_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Captiloom"
!define APPLICATION_KEY "Software\Classes\Applications\captiloom.exe"
!define PROGID "Captiloom.Text"
!define PROGID_KEY "Software\Classes\${PROGID}"
!define TXT_PROGIDS_KEY "Software\Classes\.txt\OpenWithProgids"
; A verb under SystemFileAssociations shows on every .txt, whatever program
; opens them, without touching .txt's own keys.
!define TXT_VERBS_KEY "Software\Classes\SystemFileAssociations\.txt\shell"
!define SPLIT_VERB_KEY "${TXT_VERBS_KEY}\Captiloom.Split"
!define SHORTCUT_NAME "字幕织机"
!define GUIDE_SHORTCUT_NAME "字幕织机使用指南"

Name "$(ProductName)"
OutFile "${OUTFILE}"
BrandingText "$(ProductName) ${VERSION}"
ShowInstDetails nevershow
; A file that cannot be written ends the installation (and takes it back)
; rather than being skipped.
AllowSkipFiles off
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "字幕织机 Captiloom"
VIAddVersionKey /LANG=0 "CompanyName" "Captiloom"
VIAddVersionKey /LANG=0 "FileDescription" "字幕织机 ${VERSION} 安装程序"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "GNU GPL 3 或更高版本"

Var AllUsers
Var Writable
; Set once the installer starts changing the system, so that a failure before
; that point leaves an existing installation alone.
Var Changing

!define MUI_ICON "${SOURCE_DIR}/data/icons/captiloom.ico"
!define MUI_UNICON "${SOURCE_DIR}/data/icons/captiloom.ico"
!define MUI_ABORTWARNING
; Started through Explorer, the program and the guide run with the user's
; own rights, not the elevated installer's: Windows would not let Explorer
; drop files onto an elevated window.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
!define MUI_FINISHPAGE_SHOWREADME
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION OpenGuide
!define MUI_FINISHPAGE_SHOWREADME_TEXT "$(ShowGuide)"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!define MUI_WELCOMEPAGE_TEXT "$(WelcomeText)"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${SOURCE_DIR}/LICENSE"
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one a system whose language is neither gets.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString ProductName ${LANG_ENGLISH} "Captiloom"
LangString ProductName ${LANG_SIMPCHINESE} "字幕织机"
LangString WelcomeText ${LANG_ENGLISH} "Captiloom turns a text of narration lines into a timed subtitle file for your video editor.$\r$\n$\r$\nThis wizard installs Captiloom ${VERSION}. It needs no administrator rights. If Captiloom is running, close it first.$\r$\n$\r$\nClick Next to continue."
LangString WelcomeText ${LANG_SIMPCHINESE} "字幕织机把逐行写好的解说词转换成带时间的字幕文件，供视频编辑软件导入。$\r$\n$\r$\n本向导将在你的电脑上安装字幕织机 ${VERSION}，不需要管理员权限。如果字幕织机正在运行，请先关闭它。$\r$\n$\r$\n点击“下一步”继续。"
LangString ShowGuide ${LANG_ENGLISH} "Open the user guide (Simplified Chinese)"
LangString ShowGuide ${LANG_SIMPCHINESE} "打开使用指南"
LangString MainSection ${LANG_ENGLISH} "Captiloom"
LangString MainSection ${LANG_SIMPCHINESE} "字幕织机"
LangString MainSectionText ${LANG_ENGLISH} "The program, its user guide, a Start menu entry, and Open with for .txt files."
LangString MainSectionText ${LANG_SIMPCHINESE} "程序本身、使用指南、开始菜单项，以及 .txt 文件右键菜单中的“打开方式”。"
LangString DesktopSection ${LANG_ENGLISH} "Desktop shortcut"
LangString DesktopSection ${LANG_SIMPCHINESE} "桌面快捷方式"
LangString DesktopSectionText ${LANG_ENGLISH} "A shortcut to Captiloom on the desktop."
LangString DesktopSectionText ${LANG_SIMPCHINESE} "在桌面上放一个字幕织机的快捷方式。"
LangString NotWritable ${LANG_ENGLISH} "Cannot write to this folder:$\r$\n$INSTDIR$\r$\n$\r$\nChoose a folder of your own. To install for all users into Program Files, right-click the setup program and choose Run as administrator."
LangString NotWritable ${LANG_SIMPCHINESE} "无法写入这个文件夹：$\r$\n$INSTDIR$\r$\n$\r$\n请换一个你自己的文件夹。如果要为所有用户安装到 Program Files，请右键单击安装程序，选择“以管理员身份运行”。"
LangString RunningInstall ${LANG_ENGLISH} "Captiloom is running from$\r$\n$INSTDIR$\r$\n$\r$\nClose every Captiloom window, then choose Retry. Cancel stops the installation and leaves everything as it is."
LangString RunningInstall ${LANG_SIMPCHINESE} "字幕织机正在运行（$INSTDIR）。$\r$\n$\r$\n请先关闭所有字幕织机窗口，再点“重试”。点“取消”则停止安装，电脑上的一切保持原样。"
LangString RunningUninstall ${LANG_ENGLISH} "Captiloom is running. Close every Captiloom window, then choose Retry. Cancel stops the removal and deletes nothing."
LangString RunningUninstall ${LANG_SIMPCHINESE} "字幕织机正在运行。请先关闭所有字幕织机窗口，再点“重试”。点“取消”则停止卸载，不删除任何文件。"
LangString OldNotRemoved ${LANG_ENGLISH} "The installed version in$\r$\n$0$\r$\ncould not be removed, so the installation stops. Remove it from Windows' list of installed programs, then run this setup again."
LangString OldNotRemoved ${LANG_SIMPCHINESE} "无法移除已经安装的旧版本（$0），安装已停止。请先在 Windows 的“应用和功能”中卸载它，再重新运行本安装程序。"
LangString AllUsersNeedsAdmin ${LANG_ENGLISH} "Installing for all users needs administrator rights: right-click the setup program and choose Run as administrator."
LangString AllUsersNeedsAdmin ${LANG_SIMPCHINESE} "为所有用户安装需要管理员权限：请右键单击安装程序，选择“以管理员身份运行”。"
LangString UninstallNeedsAdmin ${LANG_ENGLISH} "Captiloom was installed for all users of this computer; removing it needs administrator rights."
LangString UninstallNeedsAdmin ${LANG_SIMPCHINESE} "字幕织机是为这台电脑的所有用户安装的，卸载需要管理员权限。"
LangString TypeName ${LANG_ENGLISH} "Narration text"
LangString TypeName ${LANG_SIMPCHINESE} "解说文字"
LangString SplitVerb ${LANG_ENGLISH} "Split into subtitle lines (Captiloom)"
LangString SplitVerb ${LANG_SIMPCHINESE} "用字幕织机自动断行"

; ---------------------------------------------------------------------------
; Shared by the installer and the uninstaller

; Whether this process may write where an all-users installation lives.
!macro IS_ADMIN result
    UserInfo::GetAccountType
    Pop ${result}
!macroend

; Waits, asking, until captiloom.exe in $INSTDIR is not running: Windows
; refuses to open a running program file for writing. Aborts (cancel, or any
; silent run) with nothing changed.
!macro DEFINE_WAIT_UNTIL_CLOSED prefix message
Function ${prefix}WaitUntilClosed
    ${IfNot} ${FileExists} "$INSTDIR\captiloom.exe"
        Return
    ${EndIf}
    Push $0
    retry:
    ClearErrors
    FileOpen $0 "$INSTDIR\captiloom.exe" a
    ${IfNot} ${Errors}
        FileClose $0
        Pop $0
        Return
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(${message})" /SD IDCANCEL IDRETRY retry
    Pop $0
    DetailPrint "$(${message})"
    SetErrorLevel 3
    Abort
FunctionEnd
!macroend
!insertmacro DEFINE_WAIT_UNTIL_CLOSED "" RunningInstall
!insertmacro DEFINE_WAIT_UNTIL_CLOSED "un." RunningUninstall

; Removes what an installation in $INSTDIR made, in the shell context and
; registry root (SHCTX) already chosen; folders only when empty, registry
; keys only those that are this program's own.
!macro DELETE_KEY_IF_EMPTY prefix key
    Push "${key}"
    Call ${prefix}DeleteKeyIfEmpty
!macroend

!macro DEFINE_REMOVE prefix
Function ${prefix}RemoveInstallation
    !insertmacro CAPTILOOM_REMOVE_FILES
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"

    Delete "$SMPROGRAMS\${SHORTCUT_NAME}.lnk"
    Delete "$SMPROGRAMS\${GUIDE_SHORTCUT_NAME}.lnk"
    Delete "$DESKTOP\${SHORTCUT_NAME}.lnk"

    DeleteRegKey SHCTX "${APP_KEY}"
    DeleteRegKey SHCTX "${APPLICATION_KEY}"
    DeleteRegKey SHCTX "${PROGID_KEY}"
    DeleteRegValue SHCTX "${TXT_PROGIDS_KEY}" "${PROGID}"
    DeleteRegKey SHCTX "${SPLIT_VERB_KEY}"
    !insertmacro DELETE_KEY_IF_EMPTY "${prefix}" "${TXT_VERBS_KEY}"
    !insertmacro DELETE_KEY_IF_EMPTY "${prefix}" "Software\Classes\SystemFileAssociations\.txt"
    ; Never empty on a machine that had it before; a machine without it got
    ; it from this installation.
    !insertmacro DELETE_KEY_IF_EMPTY "${prefix}" "Software\Classes\SystemFileAssociations"
    ; .txt belongs to Windows and to other programs: its keys go only if
    ; this program's entry was all they held. So do the user's own folder
    ; and keys above this program's, which a user's first installation
    ; makes; the machine's are Windows' own.
    !insertmacro DELETE_KEY_IF_EMPTY "${prefix}" "${TXT_PROGIDS_KEY}"
    !insertmacro DELETE_KEY_IF_EMPTY "${prefix}" "Software\Classes\.txt"
    ${If} $AllUsers != 1
        !insertmacro DELETE_KEY_IF_EMPTY "${prefix}" "Software\Classes\Applications"
        !insertmacro DELETE_KEY_IF_EMPTY "${prefix}" "Software\Microsoft\Windows\CurrentVersion\Uninstall"
        RMDir "$LOCALAPPDATA\Programs"
    ${EndIf}
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
FunctionEnd

; Deletes the key named on the stack if it holds no subkey and no value.
Function ${prefix}DeleteKeyIfEmpty
    Exch $1
    Push $2
    Push $3
    Push $4
    EnumRegKey $2 SHCTX "$1" 0
    ; Lists the unnamed default value too, under the name "".
    EnumRegValue $3 SHCTX "$1" 0
    ReadRegStr $4 SHCTX "$1" ""
    ${If} "$2$3$4" == ""
        DeleteRegKey SHCTX "$1"
    ${EndIf}
    ClearErrors
    Pop $4
    Pop $3
    Pop $2
    Pop $1
FunctionEnd
!macroend
!insertmacro DEFINE_REMOVE ""
!insertmacro DEFINE_REMOVE "un."

; ---------------------------------------------------------------------------
; The installer

Function .onInit
    !insertmacro IS_ADMIN $0
    ${If} $0 == "Admin"
        StrCpy $AllUsers 1
    ${Else}
        StrCpy $AllUsers 0
    ${EndIf}
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/CURRENTUSER" $2
    ${IfNot} ${Errors}
        StrCpy $AllUsers 0
    ${EndIf}
    ClearErrors
    ${GetOptions} $1 "/ALLUSERS" $2
    ${IfNot} ${Errors}
        ${If} $0 != "Admin"
            MessageBox MB_ICONSTOP "$(AllUsersNeedsAdmin)" /SD IDOK
            SetErrorLevel 5
            Quit
        ${EndIf}
        StrCpy $AllUsers 1
    ${EndIf}

    ${If} $AllUsers == 1
        SetShellVarContext all
    ${Else}
        SetShellVarContext current
    ${EndIf}
    ; /D= sets the folder before this runs; otherwise an existing
    ; installation's folder is kept, so that an upgrade replaces it in place.
    ${If} $INSTDIR == ""
        ReadRegStr $INSTDIR SHCTX "${APP_KEY}" "InstallLocation"
    ${EndIf}
    ${If} $INSTDIR == ""
        ${If} $AllUsers == 1
            StrCpy $INSTDIR "$PROGRAMFILES64\Captiloom"
        ${Else}
            StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Captiloom"
        ${EndIf}
    ${EndIf}
FunctionEnd

; Sets $Writable to 1 when files can be made in $INSTDIR, to 0 otherwise. A
; folder made only for the test is removed again. (Testing the error flag
; clears it, hence the variable.)
Function TestWritable
    ; The test file is nothing the user needs to read about.
    SetDetailsPrint none
    StrCpy $Writable 0
    StrCpy $1 0
    ${IfNot} ${FileExists} "$INSTDIR\*.*"
        StrCpy $1 1
    ${EndIf}
    ClearErrors
    CreateDirectory "$INSTDIR"
    ${IfNot} ${Errors}
        FileOpen $0 "$INSTDIR\captiloom-setup-test.tmp" w
        ${IfNot} ${Errors}
            FileClose $0
            Delete "$INSTDIR\captiloom-setup-test.tmp"
            StrCpy $Writable 1
        ${EndIf}
    ${EndIf}
    ${If} $1 == 1
        RMDir "$INSTDIR"
    ${EndIf}
    SetDetailsPrint lastused
FunctionEnd

Function DirectoryLeave
    Call TestWritable
    ${If} $Writable != 1
        MessageBox MB_ICONSTOP "$(NotWritable)"
        Abort
    ${EndIf}
FunctionEnd

; An older (or the same) version, wherever it was installed in this context,
; is removed by its own uninstaller: it knows which files it put there.
Function RemoveEarlierInstallation
    ReadRegStr $0 SHCTX "${APP_KEY}" "InstallLocation"
    ${If} $0 == ""
    ${OrIfNot} ${FileExists} "$0\uninstall.exe"
        Return
    ${EndIf}
    Push $INSTDIR
    StrCpy $INSTDIR $0
    Call WaitUntilClosed
    Pop $INSTDIR
    ; _?= runs it in place, so that the installer can wait for it.
    ClearErrors
    ExecWait '"$0\uninstall.exe" /S _?=$0' $1
    ${If} ${Errors}
    ${OrIf} $1 != 0
        MessageBox MB_ICONSTOP "$(OldNotRemoved)" /SD IDOK
        SetErrorLevel 4
        Abort
    ${EndIf}
    ; Running in place, it could not delete itself.
    Delete "$0\uninstall.exe"
    RMDir "$0"
FunctionEnd

Section "$(MainSection)" SectionMain
    SectionIn RO
    Call TestWritable
    ${If} $Writable != 1
        MessageBox MB_ICONSTOP "$(NotWritable)" /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}
    Call WaitUntilClosed
    Call RemoveEarlierInstallation

    StrCpy $Changing 1
    !insertmacro CAPTILOOM_INSTALL_FILES
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateShortcut "$SMPROGRAMS\${SHORTCUT_NAME}.lnk" "$INSTDIR\captiloom.exe" \
        "" "$INSTDIR\captiloom.exe" 0
    CreateShortcut "$SMPROGRAMS\${GUIDE_SHORTCUT_NAME}.lnk" "$INSTDIR\guide.html"

    ; Windows' list of installed programs.
    WriteRegStr SHCTX "${APP_KEY}" "DisplayName" "字幕织机 Captiloom"
    WriteRegStr SHCTX "${APP_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${APP_KEY}" "Publisher" "字幕织机开发者 (Captiloom developers)"
    WriteRegStr SHCTX "${APP_KEY}" "DisplayIcon" "$INSTDIR\captiloom.exe,0"
    WriteRegStr SHCTX "${APP_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${APP_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr SHCTX "${APP_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    ; The link of the list of installed programs opens the installed guide,
    ; which needs no network; the project has no web page to link.
    WriteRegStr SHCTX "${APP_KEY}" "URLInfoAbout" "$INSTDIR\guide.html"
    WriteRegDWORD SHCTX "${APP_KEY}" "EstimatedSize" ${CAPTILOOM_INSTALLED_KB}
    WriteRegDWORD SHCTX "${APP_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${APP_KEY}" "NoRepair" 1

    ; "Open with" for text files, without becoming their default program:
    ; .txt's own default value is never touched.
    WriteRegStr SHCTX "${APPLICATION_KEY}" "FriendlyAppName" "字幕织机"
    WriteRegStr SHCTX "${APPLICATION_KEY}\DefaultIcon" "" "$INSTDIR\captiloom.exe,0"
    WriteRegStr SHCTX "${APPLICATION_KEY}\SupportedTypes" ".txt" ""
    WriteRegStr SHCTX "${APPLICATION_KEY}\shell\open\command" "" '"$INSTDIR\captiloom.exe" "%1"'
    WriteRegStr SHCTX "${PROGID_KEY}" "" "$(TypeName)"
    WriteRegStr SHCTX "${PROGID_KEY}\DefaultIcon" "" "$INSTDIR\captiloom.exe,0"
    WriteRegStr SHCTX "${PROGID_KEY}\shell\open\command" "" '"$INSTDIR\captiloom.exe" "%1"'
    WriteRegStr SHCTX "${TXT_PROGIDS_KEY}" "${PROGID}" ""
    ; Right-click a .txt of prose: split it into a script beside it and open
    ; the window with the script chosen.
    WriteRegStr SHCTX "${SPLIT_VERB_KEY}" "" "$(SplitVerb)"
    WriteRegStr SHCTX "${SPLIT_VERB_KEY}" "Icon" "$INSTDIR\captiloom.exe,0"
    WriteRegStr SHCTX "${SPLIT_VERB_KEY}\command" "" '"$INSTDIR\captiloom.exe" --split --open "%1"'
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Function StartProgram
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\captiloom.exe"'
FunctionEnd

Function OpenGuide
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\guide.html"'
FunctionEnd

Section "$(DesktopSection)" SectionDesktop
    CreateShortcut "$DESKTOP\${SHORTCUT_NAME}.lnk" "$INSTDIR\captiloom.exe" \
        "" "$INSTDIR\captiloom.exe" 0
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SectionMain} "$(MainSectionText)"
    !insertmacro MUI_DESCRIPTION_TEXT ${SectionDesktop} "$(DesktopSectionText)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; A failure half way (a full disk, say) takes back what this run installed,
; so that no half installation stays behind.
Function .onInstFailed
    ${If} $Changing == 1
        Call RemoveInstallation
    ${EndIf}
FunctionEnd

; ---------------------------------------------------------------------------
; The uninstaller

Function un.onInit
    ; The installation is the all-users one if that is where the registry
    ; says it lives; the uninstaller runs with _?= naming its folder.
    SetShellVarContext all
    StrCpy $AllUsers 1
    ReadRegStr $0 SHCTX "${APP_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} $0 == $INSTDIR
        !insertmacro IS_ADMIN $1
        ${If} $1 != "Admin"
            ${If} ${Silent}
                SetErrorLevel 5
                Quit
            ${EndIf}
            ; Ask Windows for the rights, and let the elevated copy do it.
            ClearErrors
            ExecShell "runas" "$INSTDIR\uninstall.exe"
            ${If} ${Errors}
                MessageBox MB_ICONSTOP "$(UninstallNeedsAdmin)"
                SetErrorLevel 5
            ${EndIf}
            Quit
        ${EndIf}
    ${Else}
        SetShellVarContext current
        StrCpy $AllUsers 0
    ${EndIf}
FunctionEnd

Section "Uninstall"
    Call un.WaitUntilClosed
    Call un.RemoveInstallation
SectionEnd
