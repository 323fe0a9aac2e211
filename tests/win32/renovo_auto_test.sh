#!/bin/bash
# The scheduled update run ("Renovo.exe auto") under Wine from the version
# description to the installer's end, with the real dialogs answered by
# dialog_probe. Each case has a program folder of its own (Renovo.exe,
# renovo.cfg with its own product name, the installed version description), a
# stored download folder with a blank in its path, and a site served by a real
# HTTP server on a free loopback port whose request log the checks read. The
# installer is the product's stand-in, signed by a test CA that dialog_probe
# trusts in the prefix's Root store while Renovo runs.
#   yes        download question 140 "&Yes": downloaded (quickly, so without
#              the progress dialog), run with " -H", exit 1
#   no         "&No": exit 2, the installer is not downloaded
#   later      installer exit 3: restart question 139, Escape and the close box
#              leave it open, "&Later" gives 4 without a restart
#   tampered   a byte changed after signing (the digest entry matches the
#              changed file): the signature message, exit 2, never run
#   same       the site has the installed release: exit 1, no installer request;
#              the check time is stored with the download folder
#   reuse      the installer already downloaded matches its SHA-512 entry: run
#              without the question and without a request, exit 1
#   stop       a slow installer download: the progress dialog 134 shows after
#              its delay (without an owner its caption is the program's title
#              while it is open), "&Stop" ends the run with 0 and nothing is run
#   details    "&View details": the main window opens and fetches the
#              description again; Cancel ends the run with 2
# usage: renovo_auto_test.sh CASE WORK_FOLDER RENOVO_EXE DIALOG_PROBE_EXE SIGNED_PE_FOLDER WINE
set -u
case=$1 work=$2 renovo=$3 probe=$4 pe=$5 wine=$6
dir=$work/$case
product="Renovo Auto $case"
setup=ProductSetup.exe
caption="KV Automatic Update"
prog=$dir/program
site=$dir/site
downloads="$dir/down loads"
log=$dir/server.log
installer_log=$dir/installer.log
server_pid=
cleanup() { [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null; }
trap cleanup EXIT
fail() {
    echo "FAIL ($case): $*"
    for f in "$log" "$installer_log"; do [ -f "$f" ] && sed "s|^|  $(basename "$f"): |" "$f"; done
    exit 1
}

rm -rf "$dir" && mkdir -p "$prog" "$site/update" "$downloads" && cp "$renovo" "$prog/Renovo.exe" ||
    exit 1

# A Windows path of a host file (Z: is the host's root).
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

description() {  # release, then the installer's digest entry when given
    printf '[Version]\r\n%s\r\nProgram Files\\Renovo.exe=1.0.0.0\r\n\r\n[HASH]\r\nRA-%s\r\n' "$1" "$1"
    [ $# -lt 2 ] || printf '\r\n[COMMON_HASH_SHA512-%s]\r\n%s\r\n' "$setup" "$2"
}

# The program folder. Without a release notes address the question is dialog
# 140 with "&View details".
printf '[Main]\r\nProductName=%s\r\nProductVer=1.0.0.0\r\nVerFileName=product.ver\r\n' "$product" \
    > "$prog/renovo.cfg"
printf 'ExeFileName=%s\r\nCheckForUpdate=yes\r\nConfirmationDownloadAndInstall=yes\r\n' "$setup" \
    >> "$prog/renovo.cfg"
printf 'UpdatePeriod=daily\r\n\r\n' >> "$prog/renovo.cfg"
description 1.0.0.0 > "$prog/product.ver"

# The site: the new release with the installer (signed, or changed after
# signing) and its SHA-512 in upper-case hex; or the installed release.
case $case in
    tampered) cp "$pe/tampered.exe" "$site/update/$setup" ;;
    *) cp "$pe/accepted.exe" "$site/update/$setup" ;;
esac
digest=$(sha512sum "$site/update/$setup" | cut -d' ' -f1 | tr a-f A-F)
if [ "$case" = same ]; then
    cp "$prog/product.ver" "$site/update/product.ver"
else
    description 1.1.0.0 "$digest" > "$site/update/product.ver"
fi

# The stored record: asks before the download, daily, never checked, the
# download folder above.
python3 "$QO_SOURCE_DIR/tests/e2e/renovo_store.py" "$dir/record.reg" write --product "$product" \
    --period 0 --last-check 0 --confirm 1 --folder "$(winpath "$downloads")" || exit 1
"$wine" reg import "$(winpath "$dir/record.reg")" || fail "cannot import the stored record"

# The server on a free port; the stopped download's installer comes slowly.
python3 "$QO_SOURCE_DIR/tests/win32/site_server.py" "$site" "$dir/port" \
    $([ "$case" = stop ] && echo "$setup") 2> "$log" > /dev/null &
server_pid=$!
for _ in $(seq 600); do
    [ -f "$dir/port" ] && break
    kill -0 "$server_pid" 2>/dev/null || fail "the HTTP server did not start"
    sleep 0.1
done
[ -f "$dir/port" ] || fail "the HTTP server did not start"
printf '[URL]\r\nAddress=127.0.0.1\r\nDownloadDir=update\r\nType=http\r\nPort=%s\r\n' \
    "$(cat "$dir/port")" >> "$prog/renovo.cfg"

requests() { grep -c "\"GET /update/$1 HTTP/1.[01]\" 200" "$log"; }

# The scheduled run under dialog_probe; STEPS... then the expected exit code.
# Windows that must not show: the restart question, and any message box where
# the case expects none.
run_auto() {
    export QO_INSTALLER_LOG
    QO_INSTALLER_LOG=$(winpath "$installer_log")
    "$wine" "$probe" --trust-root "$(winpath "$pe/ca.der")" "$@" -- "$prog/Renovo.exe" auto ||
        fail "the run did not go as expected"
}
question=(--caption "$caption" --text "1002=New version of $product is available.
Do you want to download and install it now?" --text "6=&Yes" --text "7=&No"
          --text "8=&View details")
no_restart=(--refuse "1032:$caption")
no_message=(--refuse "65535:$caption")

case $case in
    yes)
        # A download that ends within its first 3 seconds shows no progress.
        QO_INSTALLER_EXIT=1 run_auto "${no_restart[@]}" "${no_message[@]}" --refuse "1014:$caption" \
            "${question[@]}" --press 6 --exit 1
        [ "$(requests "$setup")" -eq 1 ] || fail "the installer was not downloaded once"
        cmp -s "$downloads/$setup" "$pe/accepted.exe" || fail "the download differs"
        [ "$(cat "$installer_log")" = " -H" ] || fail "installer runs: $(cat "$installer_log")" ;;
    no)
        run_auto "${no_restart[@]}" "${no_message[@]}" "${question[@]}" --press 7 --exit 2
        [ "$(requests product.ver)" -eq 1 ] || fail "the description was not fetched once"
        [ "$(requests "$setup")" -eq 0 ] || fail "the installer was downloaded"
        [ ! -e "$installer_log" ] || fail "the installer ran" ;;
    later)
        QO_INSTALLER_EXIT=3 run_auto "${no_message[@]}" "${question[@]}" --press 6 \
            --caption "$caption" --text "1002=Restart now?" \
            --text "1032=$product has been updated successfully.
The updated modules will start working after reboot." \
            --text "6=&Restart now" --text "7=&Later" --escape --press 7 --exit 4
        [ "$(cat "$installer_log")" = " -H" ] || fail "installer runs: $(cat "$installer_log")" ;;
    tampered)
        QO_INSTALLER_EXIT=1 run_auto "${no_restart[@]}" "${question[@]}" --press 6 \
            --caption "$caption" --contains "65535=File '$(winpath "$downloads")\\$setup' signature is invalid
Error '" --press 1 --exit 2
        [ "$(requests "$setup")" -eq 1 ] || fail "the installer was not downloaded once"
        [ ! -e "$installer_log" ] || fail "the tampered installer ran" ;;
    stop)
        run_auto "${no_restart[@]}" "${no_message[@]}" "${question[@]}" --press 6 \
            --caption "$caption" --text "2=&Stop" \
            --text "1014=$(winpath "$downloads")\\$setup" --press 2 --exit 0
        [ ! -e "$installer_log" ] || fail "the installer ran" ;;
    details)
        # "&View details" opens the window, which fetches the description
        # again; Cancel ends it and the run with 2.
        run_auto "${no_restart[@]}" "${no_message[@]}" "${question[@]}" --press 8 \
            --caption "$caption" --text "1002=Automatic update for $product v.1.0.0.0" --press 2 \
            --exit 2
        [ "$(requests product.ver)" -eq 2 ] || fail "the window did not fetch the description"
        [ "$(requests "$setup")" -eq 0 ] || fail "the installer was downloaded"
        [ ! -e "$installer_log" ] || fail "the installer ran" ;;
    reuse)
        cp "$pe/accepted.exe" "$downloads/$setup"
        QO_INSTALLER_EXIT=1 run_auto "${no_restart[@]}" "${no_message[@]}" --refuse "8:$caption" \
            --exit 1
        [ "$(requests "$setup")" -eq 0 ] || fail "the installer was downloaded again"
        [ "$(cat "$installer_log")" = " -H" ] || fail "installer runs: $(cat "$installer_log")" ;;
    same)
        started=$(date +%s)
        run_auto "${no_restart[@]}" "${no_message[@]}" --refuse "6:$caption" --exit 1
        # The record: the check time at offset 36, the folder from offset 52.
        "$wine" reg query 'HKCU\Software\Korvane\Renovo' /v "$product" > "$dir/record.txt" ||
            fail "no stored record"
        python3 -c '
import struct, sys
data = bytes.fromhex(open(sys.argv[1]).read().split()[-1])
print(struct.unpack_from("<q", data, 36)[0], data[52:].decode("utf-16-le"))' "$dir/record.txt" \
            > "$dir/stored.txt" || fail "unreadable record: $(cat "$dir/record.txt")"
        read -r checked folder < "$dir/stored.txt"
        [ "$checked" -ge "$started" ] || fail "check time $checked stored, the run began at $started"
        [ "$folder" = "$(winpath "$downloads")" ] || fail "download folder '$folder' stored"
        [ "$(requests product.ver)" -eq 1 ] || fail "the description was not fetched once"
        [ "$(requests "$setup")" -eq 0 ] || fail "the installer was downloaded"
        [ ! -e "$installer_log" ] || fail "the installer ran" ;;
    *)
        echo "unknown case $case"; exit 2 ;;
esac
echo "PASS ($case)"
