#!/usr/bin/env bash
# Builds an ISO image with `mediawizard --iso` from the demo payload, checks it
# with xorriso and isoinfo, boots it in qemu and checks that the wiping
# environment received the settings given on the command line. Also checks
# that a program folder without the mastering tool fails with message 150.
# Usage: iso_boot_test.sh MEDIAWIZARD SOURCE_DIR
set -euo pipefail
wizard=${1:?mediawizard}
source_dir=${2:?source dir}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prog=$work/prog
"$source_dir/payload/assemble" "$prog" >/dev/null
cp "$wizard" "$prog/mediawizard"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME"

index_of() {  # scheme file name -> catalogue index
  "$prog/mediawizard" --list-schemes | awk -F'\t' -v f="$1" '$3 == f { print $1 }'
}
zero=$(index_of zero_fill.sch)
dod=$(index_of dod_5220_22m_e.sch)
[ -n "$zero" ] && [ -n "$dod" ] || fail "schemes not listed"
echo 'pa55word' > "$work/password"

# --- A folder that does not exist is refused by the path check.
"$prog/mediawizard" --iso "$work/missing/x.iso" >/dev/null 2>"$work/missing.err" && rc=0 || rc=$?
[ "$rc" -eq 64 ] && grep -qx 'Error in creating or opening file.' "$work/missing.err" ||
  fail "missing folder: exit $rc, $(cat "$work/missing.err")"

# --- Build the image with non-default settings (the ".iso" is added). The log
# share is checked first; --yes keeps it although no such server answers.
mkdir -p "$work/out"
"$prog/mediawizard" --manual --no-delay --log-share '\\logsrv\wipelogs' --share-user 'CORP\wiper' --yes \
  --share-password-file "$work/password" --verify hdd,removable --scheme "hdd=$zero" \
  --scheme "ssd=$dod" --reset-hpa --lock-settings --iso "$work/out/quelix" --open-folder \
  >"$work/build.out" 2>"$work/build.err" || fail "build failed: $(cat "$work/build.err")"
iso=$work/out/quelix.iso
[ -s "$iso" ] || fail "no image at $iso"
grep -qx "$iso" "$work/build.out" || fail "--open-folder did not print the image path"
grep -q 'continue with these settings for network share? \[y/N\] yes (--yes)$' "$work/build.out" ||
  fail "the log share was not checked before the build"
grep -q '^\[ 80%\] Running mkisofs.exe...$' "$work/build.out" || fail "no progress lines"
grep -q '^\[100%\] Finished...$' "$work/build.out" || fail "no Finished step"

# --- The image as real readers see it: BIOS and UEFI boot entries, the tree.
xorriso -indev "$iso" -report_el_torito plain 2>/dev/null >"$work/eltorito.txt"
grep -Eq 'El Torito boot img :[[:space:]]+1[[:space:]]+BIOS' "$work/eltorito.txt" ||
  fail "no BIOS boot entry: $(cat "$work/eltorito.txt")"
grep -Eq 'El Torito img path :[[:space:]]+1[[:space:]]+/isolinux/isolinux.bin' "$work/eltorito.txt" ||
  fail "ISOLINUX is not the first boot image"
grep -Eq 'El Torito img path :[[:space:]]+2[[:space:]]+/efi/boot.img' "$work/eltorito.txt" ||
  fail "efi/boot.img is not the alternative boot image"
isoinfo -R -f -i "$iso" >"$work/files.txt"
for f in /isolinux/isolinux.bin /efi/boot.img /quelix /wipe_config /welcome.txt \
         /welcome.sparc.txt /tmp/policy.cfg /tmp/schemes/zero_fill.sch /boot/isofs.b; do
  grep -qx "$f" "$work/files.txt" || fail "$f missing from the image"
done

# --- Boot it and read what the environment received.
timeout 120 qemu-system-x86_64 -m 512 -cdrom "$iso" -display none -serial stdio -no-reboot \
  </dev/null >"$work/boot.raw" 2>&1 || true
tr -d '\r' <"$work/boot.raw" >"$work/boot.log"
expect() {
  grep -qE "$1" "$work/boot.log" || { tail -n 60 "$work/boot.log" >&2; fail "boot log lacks: $1"; }
}
expect '^QUELIX-ENV: start$'
expect '^export WIPE_ALL_DISKS=n$'
expect '^export USE_NODELAY=y$'
expect '^export LOCK_PRESET=y$'
expect '^export USE_LOGSHARE=y$'
expect '^export NET_SHARE=//logsrv/wipelogs$'
expect '^export NET_USER=CORP/wiper$'
expect '^work mode: manual'
expect '^log to share: .*//logsrv/wipelogs'
expect '^settings locked: yes$'
expect '^class hdd: scheme=zero_fill verify=true resetHpa=true resetDco=false ataErase=true$'
expect '^class ssd: scheme=dod_5220_22m_e verify=false resetHpa=true resetDco=false ataErase=true$'
expect '^class removable: scheme=[^ ]+ verify=true '
for f in "$prog"/schemes/*.sch; do
  expect "^scheme file: $(basename "$f") "
done
expect '^QUELIX-ENV: done$'

# --- Without the mastering tool the build fails with message 150.
broken=$work/broken
mkdir -p "$broken"
cp -r "$prog/common" "$prog/iso" "$prog/boot" "$prog/schemes" "$broken/"
cp "$wizard" "$broken/mediawizard"
"$broken/mediawizard" --iso "$work/out/broken.iso" >"$work/broken.out" 2>"$work/broken.err" &&
  rc=0 || rc=$?
[ "$rc" -eq 2 ] || fail "no tool: exit code $rc, expected 2"
grep -qx "Error in creating ISO image file: MKISOFS utility failed." "$work/broken.err" ||
  fail "no tool: message 150 missing: $(cat "$work/broken.err")"
[ ! -e "$work/out/broken.iso" ] || fail "no tool: an image was left"

# --- A tool that writes a too small image: message 152.
cat >"$broken/mkisofs" <<'TOOL'
#!/bin/sh
head -c 1048575 /dev/zero > quelixcd.iso
TOOL
chmod +x "$broken/mkisofs"
"$broken/mediawizard" --iso "$work/out/small.iso" >/dev/null 2>"$work/small.err" && rc=0 || rc=$?
[ "$rc" -eq 2 ] || fail "small image: exit code $rc, expected 2"
grep -qx "Error in creating ISO image file: pre-installed file 'quelixcd.iso' corrupted." \
  "$work/small.err" || fail "small image: message 152 missing: $(cat "$work/small.err")"

# --- Ctrl-C while the tool runs cancels: exit code 1, the tool is killed.
cat >"$broken/mkisofs" <<TOOL
#!/bin/sh
echo \$\$ > "$work/tool.pid"
exec sleep 60
TOOL
"$broken/mediawizard" --iso "$work/out/cancel.iso" >"$work/cancel.out" 2>&1 &
wizard_pid=$!
for _ in $(seq 100); do [ -s "$work/tool.pid" ] && break; sleep 0.1; done
[ -s "$work/tool.pid" ] || fail "cancel: the tool did not start"
start=$(date +%s)
kill -INT "$wizard_pid"
wait "$wizard_pid" && rc=0 || rc=$?
[ "$rc" -eq 1 ] || fail "cancel: exit code $rc, expected 1: $(cat "$work/cancel.out")"
[ $(( $(date +%s) - start )) -le 5 ] || fail "cancel took longer than the grace period"
sleep 0.2
! kill -0 "$(cat "$work/tool.pid")" 2>/dev/null || fail "cancel: the tool still runs"
[ ! -e "$work/out/cancel.iso" ] || fail "cancel: an image was left"
echo "PASS"
