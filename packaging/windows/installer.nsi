; The Windows product installer (makensis; packaging/windows/make-installer
; supplies the defines):
;   VERSION   the release, four numbers ("1.0.0.0")
;   TARGET    x86-unicode (the shipped 32-bit programs) or amd64-unicode
;   FILES     a generated script with the File lines of the program folder
;   REMOVE    a generated script with the matching Delete and RMDir lines
;   OUTFILE   the installer to write
;
; It installs the program folder into Program Files, writes the keys the
; programs and Windows read, registers the uninstaller and starts the update
; check at each logon ("Renovo.exe auto" decides whether one is due).
; Switches: -H installs without any window (the update program's switch; /S
; too); /LANGUAGE=de points the update program at the German translation,
; /LANGUAGE=en back at English (otherwise an update keeps the choice); /D=
; names another folder. Exit codes, as the update program reads them:
; 1 installed, 3 installed and a restart is needed, 4 cancelled, 8 failed.

Unicode true
Target ${TARGET}
!include LogicLib.nsh
!include FileFunc.nsh
!include StrFunc.nsh
${StrStr}

!define PRODUCT "Quelix Omnisweep"
!define COMPANY "Korvane"
!define PRODUCT_KEY "Software\${COMPANY}\${PRODUCT}"
!define RENOVO_KEY "Software\${COMPANY}\Renovo"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "${PRODUCT} update check"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
!if ${TARGET} == amd64-unicode
    InstallDir "$PROGRAMFILES64\${COMPANY}\${PRODUCT}"
!else
    InstallDir "$PROGRAMFILES\${COMPANY}\${PRODUCT}"
!endif
InstallDirRegKey HKLM "${PRODUCT_KEY}" "InstallFolder"
DirText "Setup installs the media wizard (mediawizard) and the update program (Renovo) of \
         ${PRODUCT} ${VERSION} into this folder. The update program checks for a new release \
         at each logon."
ShowInstDetails show
ShowUninstDetails show

VIProductVersion ${VERSION}
VIAddVersionKey /LANG=1033 ProductName "${PRODUCT}"
VIAddVersionKey /LANG=1033 CompanyName "${COMPANY}"
VIAddVersionKey /LANG=1033 FileDescription "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 FileVersion ${VERSION}
VIAddVersionKey /LANG=1033 ProductVersion ${VERSION}
VIAddVersionKey /LANG=1033 LegalCopyright "Copyright (C) 2026 ${COMPANY}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var Translation

Function .onInit
    !if ${TARGET} == amd64-unicode
        SetRegView 64
    !endif
    ${GetParameters} $R0
    ${StrStr} $R1 " $R0 " " -H "
    ${If} $R1 != ""
        SetSilent silent
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/LANGUAGE=" $Translation
    ${If} ${Errors}
        StrCpy $Translation ""
    ${ElseIf} $Translation != "de"
    ${AndIf} $Translation != "en"
        MessageBox MB_OK|MB_ICONSTOP "Unknown language '$Translation' (de, en)" /SD IDOK
        SetErrorLevel 8
        Abort
    ${EndIf}
FunctionEnd

Function .onUserAbort
    SetErrorLevel 4
FunctionEnd

Function .onInstFailed
    SetErrorLevel 8
FunctionEnd

Function .onInstSuccess
    ${If} ${RebootFlag}
        SetErrorLevel 3
    ${Else}
        SetErrorLevel 1
    ${EndIf}
FunctionEnd

; A program or library that may be running (the update program runs this
; installer, and the language library is loaded in it) cannot be replaced,
; but it can be renamed: the running copy moves aside, and is deleted once
; nothing uses it any more (here, by the next installation, or by the
; uninstaller).
!macro MoveAside NAME
    Delete "$INSTDIR\${NAME}.old"
    ${If} ${FileExists} "$INSTDIR\${NAME}"
        Rename "$INSTDIR\${NAME}" "$INSTDIR\${NAME}.old"
    ${EndIf}
!macroend

; The installed program must carry this release's version.
!macro CheckVersion NAME
    GetDLLVersion "$INSTDIR\${NAME}" $R0 $R1
    IntOp $R2 $R0 >> 16
    IntOp $R3 $R0 & 0xFFFF
    IntOp $R4 $R1 >> 16
    IntOp $R5 $R1 & 0xFFFF
    ${If} "$R2.$R3.$R4.$R5" != "${VERSION}"
        DetailPrint "${NAME} was not replaced (version $R2.$R3.$R4.$R5)"
        Abort
    ${EndIf}
!macroend

Section
    SetOutPath "$INSTDIR"
    !insertmacro MoveAside Renovo.exe
    !insertmacro MoveAside mediawizard.exe
    !insertmacro MoveAside langfile2.dll
    !include "${FILES}"
    Delete "$INSTDIR\Renovo.exe.old"
    Delete "$INSTDIR\mediawizard.exe.old"
    Delete "$INSTDIR\langfile2.dll.old"
    !insertmacro CheckVersion Renovo.exe
    !insertmacro CheckVersion mediawizard.exe
    WriteUninstaller "$INSTDIR\uninstall.exe"

    WriteRegStr HKLM "${PRODUCT_KEY}" "InstallFolder" "$INSTDIR"
    WriteRegStr HKLM "${PRODUCT_KEY}" "Version" "${VERSION}"
    ${If} $Translation == "de"
        WriteRegStr HKLM "${RENOVO_KEY}" "TranslationFolder" "$INSTDIR\languages\de"
    ${ElseIf} $Translation == "en"
        DeleteRegValue HKLM "${RENOVO_KEY}" "TranslationFolder"
    ${EndIf}
    WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\Renovo.exe" auto'

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\mediawizard.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $R0 $R1 $R2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $R0
SectionEnd

Function un.onInit
    !if ${TARGET} == amd64-unicode
        SetRegView 64
    !endif
FunctionEnd

Section Uninstall
    !include "${REMOVE}"
    Delete /REBOOTOK "$INSTDIR\*.old"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    RMDir "$INSTDIR\.."
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
    DeleteRegValue HKLM "${RENOVO_KEY}" "TranslationFolder"
    DeleteRegKey /ifempty HKLM "${RENOVO_KEY}"
    DeleteRegKey HKLM "${PRODUCT_KEY}"
    DeleteRegKey /ifempty HKLM "Software\${COMPANY}"
SectionEnd
