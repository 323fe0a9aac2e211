#!/bin/bash
# The Windows product installer (NSIS) under Wine, with the program folder of
# this build. Release N (the build's programs) installs with " -H
# /LANGUAGE=de"; without -H it shows its window, whose Cancel ends it with 4.
# Then the installed "Renovo.exe auto" updates the product from a local site
# to release N+1 (the same programs with the next version in their version
# resource), downloading, verifying (signed by a test CA that dialog_probe
# trusts while Renovo runs) and running the installer with " -H" while
# Renovo.exe itself is running: the files in Program Files carry N+1's version,
# the installed mediawizard.exe shows it, the keys hold it. The uninstaller
# removes the files and the keys.
# usage: installer_test.sh WORK_FOLDER BUILD_DIR NEXT_PROGRAMS DIALOG_PROBE_EXE WINE
set -u
work=$1 build=$2 next_programs=$3 probe=$4 wine=$5
source_dir=$QO_SOURCE_DIR
product="Quelix Omnisweep"
setup=QuelixOmnisweepSetup.exe
program_files="$WINEPREFIX/drive_c/Program Files/Korvane/$product"
win_folder="C:\\Program Files\\Korvane\\$product"
uninstall_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
renovo_key="HKLM\\Software\\Korvane\\Renovo"
run_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
server_pid=
cleanup() {
    [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null
    [ ! -d "$program_files" ] || "$wine" "$program_files/uninstall.exe" /S _?="$win_folder"
    rm -rf "$program_files"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    [ -f "$work/server.log" ] && sed 's/^/  server: /' "$work/server.log"
    exit 1
}
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
key_value() { "$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z]* *//p"; }
file_version() { strings -a -el "$program_files/$1" | grep -A1 -x FileVersion | tail -n 1; }

rm -rf "$work" && mkdir -p "$work/site/update" || exit 1
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
next=${version%.*}.$((${version##*.} + 1))
"$source_dir/packaging/windows/make-installer" "$build" "$work/setup-$version.exe" ||
    fail "make-installer $version"
"$source_dir/packaging/windows/make-installer" "$build" "$work/unsigned.exe" --version "$next" \
    --programs "$next_programs" || fail "make-installer $next"
"$source_dir/scripts/demo-signer" "$work/signer"
"$source_dir/scripts/sign-appended" --cert "$work/signer/cs.crt" --key "$work/signer/cs.key" \
    --chain "$work/signer/ca.crt" "$work/unsigned.exe" "$work/site/update/$setup" || fail "signing"

# Release N: the window first (Cancel: 4, nothing installed), then silently.
"$wine" "$probe" --caption "$product $version Setup: Installation Folder" --press 2 --exit 4 -- \
    "$(winpath "$work/setup-$version.exe")" || fail "the installer's window did not cancel with 4"
[ ! -e "$program_files" ] || fail "the cancelled installer installed files"
"$wine" "$work/setup-$version.exe" -H /LANGUAGE=de
rc=$?
[ "$rc" -eq 1 ] || fail "installer $version -H ended with $rc"
[ "$(file_version Renovo.exe)" = "$version" ] || fail "Renovo.exe $version is not installed"
[ "$(key_value "$renovo_key" TranslationFolder)" = "$win_folder\\languages\\de" ] ||
    fail "no TranslationFolder for German"

# The site: release N+1; the installed renovo.cfg points at it, the stored
# record makes a check due without questions.
"$source_dir/packaging/describe-release" "$next" "$next" "$setup" "$work/site/update/$setup" \
    >"$work/site/update/omnisweep.ver"
python3 "$source_dir/tests/win32/site_server.py" "$work/site" "$work/port" 2>"$work/server.log" \
    >/dev/null &
server_pid=$!
for _ in $(seq 600); do
    [ -f "$work/port" ] && break
    sleep 0.1
done
[ -f "$work/port" ] || fail "the HTTP server did not start"
sed -i "0,/^Port=.*/s//Port=$(cat "$work/port")/; s#^DownloadDir=.*#DownloadDir=update#" \
    "$program_files/renovo.cfg"
python3 "$source_dir/tests/e2e/renovo_store.py" "$work/record.reg" write --period 0 \
    --last-check 0 --confirm 0 --folder "$(winpath "$work/downloads")" || exit 1
mkdir -p "$work/downloads"
"$wine" reg import "$(winpath "$work/record.reg")" || fail "cannot import the stored record"

# The update: no message box and no restart question (in German, as the
# installer chose), exit 1.
caption="KV Automatische Aktualisierung"
"$wine" "$probe" --trust-root "$(winpath "$work/signer/ca.der")" --refuse "65535:$caption" \
    --refuse "1032:$caption" --exit 1 -- "$win_folder\\Renovo.exe" auto || fail "Renovo.exe auto"
grep -q "GET /update/$setup HTTP/1.[01]\" 200" "$work/server.log" || fail "not downloaded"
for program in Renovo.exe mediawizard.exe; do
    [ "$(file_version $program)" = "$next" ] || fail "$program: version $(file_version $program)"
done
"$wine" "$probe" --caption "About Quelix Omnisweep Wizard" --text "1065=Version $next" --press 1 \
    --exit 0 -- "$win_folder\\mediawizard.exe" -V || fail "the installed mediawizard.exe"
[ "$(key_value "$uninstall_key" DisplayVersion)" = "$next" ] || fail "uninstall key not updated"
[ -n "$(key_value "$run_key" "$product update check")" ] || fail "no logon start"
[ -n "$(key_value "$renovo_key" TranslationFolder)" ] || fail "the update dropped the language"

# The uninstaller, as Windows starts it (it goes on from a copy of itself):
# files, folders and keys go.
"$wine" "$program_files/uninstall.exe" /S
for _ in $(seq 600); do
    [ -e "$program_files" ] || [ -e "$(dirname "$program_files")" ] || break
    sleep 0.1
done
[ ! -e "$(dirname "$program_files")" ] || fail "left: $(cd "$(dirname "$program_files")" && find .)"
"$wine" reg query "$uninstall_key" >/dev/null 2>&1 && fail "the uninstall key is left"
[ -z "$(key_value "$run_key" "$product update check")" ] || fail "the logon start is left"
[ -z "$(key_value "$renovo_key" TranslationFolder)" ] || fail "TranslationFolder is left"
echo PASS
