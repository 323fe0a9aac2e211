#!/usr/bin/env bash
# The update program as it runs on a user's machine: an installed program
# folder (Renovo, renovo.cfg, the installed version description), a private
# registry store, and the download site served by a real HTTP server
# (python3 -m http.server, its request log read by the checks) with a version
# description and the product installer signed by a test CA made here. Runs in
# a private network namespace with only loopback, so nothing leaves the box,
# and a mount namespace whose /var/cache (root's default download folder is
# below it) is a fresh tmpfs.
#
# Usage: renovo_update_test.sh RENOVO INSTALLER SOURCE_DIR LANGUAGE_LIBRARY
set -euo pipefail
if [ -z "${QO_RENOVO_NETNS:-}" ]; then
  export QO_RENOVO_NETNS=1
  # Root gets a plain network namespace; anyone else a user namespace in which
  # the program runs as root, so the installer starts directly.
  if [ "$(id -u)" -eq 0 ]; then exec unshare --net --mount bash "$0" "$@"; fi
  exec unshare --map-root-user --net --mount bash "$0" "$@"
fi
ip link set lo up
mount -t tmpfs tmpfs /var/cache

renovo=$1
built_installer=$2
source_dir=$3
language_library=$4
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
server_pid=
cleanup() {
  [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  for f in out err; do [ -f "$work/$f" ] && sed "s/^/  $f: /" "$work/$f" >&2; done
  exit 1
}

product="Quelix Omnisweep"
prog="$work/program folder"
site="$work/www/quelix/update"
downloads="$work/downloads"
setup=QuelixOmnisweepSetup.exe
mkdir -p "$prog" "$site" "$downloads" "$work/tmp" "$work/pki"
cp "$renovo" "$prog/Renovo"
cp "$source_dir/payload/renovo.cfg" "$source_dir/payload/omnisweep.ver" "$prog/"
export XDG_CONFIG_HOME="$work/config" TMPDIR="$work/tmp"
store="$XDG_CONFIG_HOME/Korvane/registry.reg"
mkdir -p "$(dirname "$store")"
export QO_INSTALLER_LOG="$work/installer.log"
: > "$QO_INSTALLER_LOG"

# A test CA and the maker's code-signing certificate; the CA is trusted
# through SSL_CERT_FILE.
pki=$work/pki
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Renovo Test Root" \
  -keyout "$pki/ca.key" -out "$pki/ca.crt" \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=digitalSignature\nextendedKeyUsage=codeSigning\n' > "$pki/cs.ext"
openssl req -new -newkey rsa:2048 -nodes -subj "/C=DE/O=Korvane/CN=Korvane Code Signing" \
  -keyout "$pki/cs.key" -out "$pki/cs.csr" 2>/dev/null
openssl x509 -req -days 2 -set_serial 7 -in "$pki/cs.csr" -CA "$pki/ca.crt" -CAkey "$pki/ca.key" \
  -extfile "$pki/cs.ext" -out "$pki/cs.crt" 2>/dev/null
export SSL_CERT_FILE="$pki/ca.crt" SSL_CERT_DIR="$pki"
cp "$built_installer" "$work/installer-unsigned"
"$source_dir/scripts/sign-appended" --cert "$pki/cs.crt" --key "$pki/cs.key" --chain "$pki/ca.crt" \
  "$work/installer-unsigned" "$work/installer-signed"
cp "$work/installer-signed" "$work/installer-tampered"
printf '\x55' | dd of="$work/installer-tampered" bs=1 seek=2000 conv=notrunc status=none

# The site: the server logs every request.
log="$work/server.log"
python3 -m http.server 8080 --bind 127.0.0.1 --directory "$work/www" 2>> "$log" >/dev/null &
server_pid=$!
for _ in $(seq 300); do
  curl -sf -o /dev/null http://127.0.0.1:8080/ && break
  kill -0 "$server_pid" || fail "the HTTP server did not start"
  sleep 0.1
done

# publish same|new FILE|errpage: the site's version description (and installer).
publish() {
  rm -f "$site/$setup"
  case $1 in
    same) cp "$prog/omnisweep.ver" "$site/omnisweep.ver" ;;
    new)
      cp "$2" "$site/$setup"
      digest=$(sha512sum "$site/$setup" | cut -d' ' -f1 | tr a-f A-F)
      printf '[Version]\r\n1.1.0.0\r\nProgram Files\\mediawizard.exe=1.1.0.0\r\nProgram Files\\Renovo.exe=1.0.0.0\r\nProgram Files\\langfile2.dll=1.0.0.0\r\nProgram Files\\mkisofs.exe=2.1.0.0\r\n\r\n[HASH]\r\nQO-1.1.0.0-e2e\r\n\r\n[COMMON_HASH_SHA512-%s]\r\n%s\r\n' \
        "$setup" "$digest" > "$site/omnisweep.ver" ;;
    errpage)
      printf '<!DOCTYPE html>\n<html><head><title>404 Not Found</title></head><body>gone</body></html>\n' \
        > "$site/omnisweep.ver" ;;
  esac
}
# state ARGS...: a fresh store (renovo_store.py write), an empty download folder.
state() {
  python3 "$here/renovo_store.py" "$store" write --folder "$downloads" "$@"
  rm -rf "$downloads"; mkdir -p "$downloads"
}
stored() { python3 "$here/renovo_store.py" "$store" read | sed -n "s/^$1=//p"; }
requests() { grep -c "GET /quelix/update/$1 " "$log" || true; }
installer_runs() { wc -l < "$QO_INSTALLER_LOG"; }
# run ARGS...: Renovo without a terminal; rc, out and err afterwards.
run() {
  set +e
  "$prog/Renovo" "$@" < /dev/null > "$work/out" 2> "$work/err"
  rc=$?
  set -e
}
expect_rc() { [ "$rc" -eq "$1" ] || fail "$2: exit $rc, expected $1"; }

now=$(date +%s)
day=86400

# The periodic check is due after its period; a run that is not due costs no
# request. Due runs find the same release: exit 1 without an installer.
publish same
while read -r period days; do
  for offset in -3600 60; do
    label="period $period, last check $days days and $offset s ago"
    state --period "$period" --last-check $((now - days * day - offset))
    before=$(requests omnisweep.ver)
    run auto
    if [ "$offset" -lt 0 ]; then
      expect_rc 0 "$label"
      [ "$(requests omnisweep.ver)" -eq "$before" ] || fail "$label: the site was asked"
      [ "$(stored last_check)" -eq $((now - days * day - offset)) ] || fail "$label: last check changed"
    else
      expect_rc 1 "$label"
      [ "$(requests omnisweep.ver)" -eq $((before + 1)) ] || fail "$label: no description request"
      [ "$(stored last_check)" -ge "$now" ] || fail "$label: last check not stored"
    fi
  done
done <<'EOF'
0 1
1 7
2 30
EOF
[ "$(requests "$setup")" -eq 0 ] || fail "the same release downloaded the installer"
[ "$(installer_runs)" -eq 0 ] || fail "the same release ran the installer"

# Never due: a last check in the future, a period the program does not know,
# the check switched off in the settings or by the product's one-byte switch.
while read -r label args; do
  state $args
  before=$(requests omnisweep.ver)
  run auto
  expect_rc 0 "$label"
  [ "$(requests omnisweep.ver)" -eq "$before" ] || fail "$label: the site was asked"
done <<EOF
future --period 0 --last-check $((now + 2 * day))
period-3 --period 3
settings-off --auto-off 1
switch-byte --switch byte
EOF
# A four-byte 0 is no switch: the check runs.
state --switch dword
run AUTO
expect_rc 1 "EnableAutoUpdate as REG_DWORD 0"

# A new release: downloaded, verified, run with " -H"; the installer's exit
# code decides the result (3: the restart question, answered Later without a
# terminal).
while read -r code expected; do
  publish new "$work/installer-signed"
  state
  before=$(requests "$setup")
  runs=$(installer_runs)
  QO_INSTALLER_EXIT=$code run auto
  expect_rc "$expected" "installer exit $code"
  [ "$(requests "$setup")" -eq $((before + 1)) ] || fail "installer exit $code: not downloaded once"
  [ "$(installer_runs)" -eq $((runs + 1)) ] || fail "installer exit $code: not run once"
  [ "$(tail -1 "$QO_INSTALLER_LOG")" = " -H" ] || fail "installer arguments: $(tail -1 "$QO_INSTALLER_LOG")"
  cmp -s "$downloads/$setup" "$work/installer-signed" || fail "installer exit $code: download differs"
  if [ "$code" -eq 3 ]; then
    grep -q "Restart now?" "$work/err" || fail "no restart question"
    grep -q "Later" "$work/err" || fail "the restart question was not answered Later"
  fi
done <<'EOF'
1 1
3 4
4 2
0 0
EOF

# An installer already downloaded: reused when it matches its SHA-512 entry,
# downloaded again when it does not.
while read -r label content downloads_expected; do
  publish new "$work/installer-signed"
  state
  [ "$content" = none ] || cp "$work/$content" "$downloads/$setup"
  before=$(requests "$setup")
  run auto
  expect_rc 1 "$label"
  [ "$(requests "$setup")" -eq $((before + downloads_expected)) ] ||
    fail "$label: $(($(requests "$setup") - before)) downloads, expected $downloads_expected"
  cmp -s "$downloads/$setup" "$work/installer-signed" || fail "$label: wrong installer kept"
done <<'EOF'
matching installer-signed 0
mismatching installer-unsigned 1
EOF

# No stored download folder: the temporary folder's "<product>_autoUpdate".
publish new "$work/installer-signed"
python3 "$here/renovo_store.py" "$store" write
run auto
expect_rc 1 "default download folder"
cmp -s "$TMPDIR/${product}_autoUpdate/$setup" "$work/installer-signed" ||
  fail "the installer is not in the default download folder"

# The predictable default folder, made first by another user in a shared
# temporary folder, is not used: root's default is below /var/cache/Korvane.
mkdir -p "$work/shared/${product}_autoUpdate"
chmod 1777 "$work/shared"
chmod 0777 "$work/shared/${product}_autoUpdate"
chown 65534:65534 "$work/shared/${product}_autoUpdate" 2>/dev/null || true
python3 "$here/renovo_store.py" "$store" write
runs=$(installer_runs)
TMPDIR="$work/shared" run auto
expect_rc 1 "a shared temporary folder"
[ -z "$(ls -A "$work/shared/${product}_autoUpdate")" ] || fail "the shared temporary folder was used"
private="/var/cache/Korvane/${product}_autoUpdate"
cmp -s "$private/$setup" "$work/installer-signed" || fail "the installer is not in $private"
[ "$(stat -c %a "$private")" = 700 ] || fail "$private is not private"
[ "$(installer_runs)" -eq $((runs + 1)) ] || fail "the installer did not run from $private"

# An unsigned or tampered installer (with a matching digest entry) never runs.
for kind in unsigned tampered; do
  publish new "$work/installer-$kind"
  state
  runs=$(installer_runs)
  run auto
  expect_rc 2 "$kind installer"
  [ "$(installer_runs)" -eq "$runs" ] || fail "the $kind installer was run"
  grep -q "signature is invalid" "$work/err" || fail "$kind installer: no signature message"
done

# Asking before the download without a terminal: No, nothing downloaded.
publish new "$work/installer-signed"
state --confirm 1
before=$(requests "$setup")
run auto
expect_rc 2 "download question without a terminal"
[ "$(requests "$setup")" -eq "$before" ] || fail "downloaded without an answer"

# An HTML error page instead of the description: 255, last check kept.
publish errpage
state --last-check 1000
run auto
expect_rc 255 "error page"
[ "$(stored last_check)" -eq 1000 ] || fail "the error page advanced the last check"
[ "$(installer_runs)" -eq "$runs" ] || fail "an installer ran after the error page"

# The interactive run without a terminal: the state and the list are shown,
# the question to update gets No.
publish new "$work/installer-signed"
state --confirm 1
before=$(requests "$setup")
run
expect_rc 2 "interactive run without a terminal"
grep -qx "Automatic update for $product v.1.0.0.0" "$work/out" || fail "no header"
grep -qx "Download and install $setup file  ( site version 1.1.0.0 )" "$work/out" ||
  fail "no status line"
grep -Eq '^< +mediawizard\.exe +1\.0\.0\.0 +1\.1\.0\.0 +Program Files' "$work/out" ||
  fail "no version row"
[ "$(requests "$setup")" -eq "$before" ] || fail "downloaded without an answer"
# The same release: "Version is up to date." (only differences are listed).
publish same
state --show-all-files 0
run --versions
expect_rc 0 "--versions"
grep -q "No differences found" "$work/out" || fail "--versions: no 'No differences found'"
run
grep -qx "Version is up to date." "$work/out" || fail "no up-to-date status"
# With the language library and a German language file beside the program,
# the texts are German.
cp "$language_library" "$source_dir/langfile/po/de.po" "$prog/"
mv "$prog/de.po" "$prog/langfile.txt"
run --versions
grep -q "Dateiname" "$work/out" || fail "--versions: the language file beside the program is not used"
grep -q "Keine Unterschiede gefunden" "$work/out" || fail "--versions: no translated 'No differences found'"
rm "$prog/langfile.txt" "$prog/$(basename "$language_library")"
# The product's switch off: message 116, exit 255.
state --switch byte
run
expect_rc 255 "interactive run switched off"
grep -q "Automatic update feature for $product is disabled." "$work/err" ||
  fail "no switched-off message"

# On a terminal Yes installs: update now, download, restart question Later.
publish new "$work/installer-signed"
state --confirm 1
runs=$(installer_runs)
set +e
QO_INSTALLER_EXIT=3 python3 "$here/pty_answer.py" "Update Now?=y" "install it now?=y" \
  "[r] Restart now, [l] Later: =l" -- "$prog/Renovo" > "$work/out" 2> "$work/err"
rc=$?
set -e
expect_rc 4 "interactive run on a terminal"
tr -d '\r' < "$work/out" > "$work/pty"
for line in "Update Now? [y] Yes, [n] No: y" "New version of $product is available." \
  "[r] Restart now, [l] Later: l"; do
  grep -qxF "$line" "$work/pty" || fail "the terminal did not show '$line'"
done
[ "$(installer_runs)" -eq $((runs + 1)) ] || fail "Yes on a terminal did not install"

# The result is reported as the window reports it; the installer already
# downloaded is reused and the download question is not asked for it.
set +e
python3 "$here/pty_answer.py" "Update Now?=y" -- "$prog/Renovo" > "$work/out" 2> "$work/err"
rc=$?
set -e
expect_rc 1 "second interactive run on a terminal"
grep -q "Renovo: Installation successfully completes" "$work/out" || fail "no success report"
[ "$(installer_runs)" -eq $((runs + 2)) ] || fail "the second run did not install"

# Without release notes the download question offers the details: the list
# again, and the question to update again.
sed -i '/^ReleaseNotesUrl=/d' "$prog/renovo.cfg"
state --confirm 1
before=$(requests "$setup")
set +e
python3 "$here/pty_answer.py" "Update Now?=y" "View details: =d" "Update Now?=n" -- "$prog/Renovo" \
  > "$work/out" 2> "$work/err"
rc=$?
set -e
expect_rc 2 "details on a terminal"
[ "$(grep -c '^Versions Information' "$work/out")" -eq 2 ] || fail "the details did not show the list again"
[ "$(requests "$setup")" -eq "$before" ] || fail "the details downloaded the installer"

# The Update Options from the command line, stored as the page stores them.
state
run --period monthly --confirm-download on --auto-update off --site 1 --download-folder "$work/dl2"
expect_rc 0 "options"
[ "$(stored period)" -eq 2 ] && [ "$(stored confirm)" -eq 1 ] && [ "$(stored auto_off)" -eq 1 ] &&
  [ "$(stored site)" -eq 1 ] && [ "$(stored folder)" = "$work/dl2" ] || fail "options not stored"
for bad in "--site 2" "--period yearly" "--bogus" "--versions auto"; do
  cp "$store" "$work/store.before"
  run $bad
  expect_rc 64 "Renovo $bad"
  [ -s "$work/err" ] || fail "Renovo $bad: no message"
  cmp -s "$store" "$work/store.before" || fail "Renovo $bad changed the store"
done
echo PASS
