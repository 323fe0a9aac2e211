#!/usr/bin/env bash
# Builds an ISO image with `mediawizard --iso` from the demo payload, checks it
# with xorriso and isoinfo, boots it in qemu on BIOS, UEFI and UEFI with Secure
# Boot, and checks that the wiping environment received the settings given on
# the command line; a medium whose UEFI loader is not signed must be refused
# under Secure Boot. The image is read back after its mastering and its build
# record lies beside it. Also checks that a program folder without the mastering
# tool fails with message 150.
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

# --- Build the image with non-default settings (the ".iso" is added), as a
# reproducible image. The log share is checked first; --yes keeps it although
# no such server answers. The build runs in a private network namespace, so the
# check's name lookups stay on this machine.
mkdir -p "$work/out"
unshare --net "$prog/mediawizard" --manual --no-delay --log-share '\\logsrv\wipelogs' --share-user 'CORP\wiper' --yes \
  --share-password-file "$work/password" --verify hdd,removable --scheme "hdd=$zero" \
  --scheme "ssd=$dod" --reset-hpa --lock-settings --iso "$work/out/quelix" --open-folder --reproducible \
  >"$work/build.out" 2>"$work/build.err" || fail "build failed: $(cat "$work/build.err")"
iso=$work/out/quelix.iso
[ -s "$iso" ] || fail "no image at $iso"
grep -qx "$iso" "$work/build.out" || fail "--open-folder did not print the image path"
grep -q 'continue with these settings for network share? \[y/N\] yes (--yes)$' "$work/build.out" ||
  fail "the log share was not checked before the build"
grep -q '^\[ 80%\] Running mkisofs.exe...$' "$work/build.out" || fail "no progress lines"
grep -q '^\[100%\] Finished...$' "$work/build.out" || fail "no Finished step"
grep -q '^\[ 95%\] Reading the ISO image file back...$' "$work/build.out" || fail "not read back"
python3 -c 'import json, sys; r = json.load(open(sys.argv[1]))
assert r["medium"]["kind"] == "iso-image" and r["verification"] == {"result": "passed"}, r
assert r["options"]["verifyWipe"]["hdd"] and len(r["configuration"]) == 5, r' "$iso.json" ||
  fail "the build record beside the image"

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

# --- Boot it and read what the environment received: on a BIOS machine, on a
# UEFI machine, and on a UEFI machine that enforces Secure Boot.
. "$source_dir/tests/e2e/boot_lib.sh"
check_environment() {  # LOG: every setting given on the command line arrived
  local log=$1
  expect "$log" '^QUELIX-ENV: start$'
  expect "$log" '^export WIPE_ALL_DISKS=n$'
  expect "$log" '^export USE_NODELAY=y$'
  expect "$log" '^export LOCK_PRESET=y$'
  expect "$log" '^export USE_LOGSHARE=y$'
  expect "$log" '^export NET_SHARE=//logsrv/wipelogs$'
  expect "$log" '^export NET_USER=CORP/wiper$'
  expect "$log" '^work mode: manual'
  expect "$log" '^log to share: .*//logsrv/wipelogs'
  expect "$log" '^settings locked: yes$'
  expect "$log" '^class hdd: scheme=zero_fill verify=true resetHpa=true resetDco=false ataErase=true$'
  expect "$log" '^class ssd: scheme=dod_5220_22m_e verify=false resetHpa=true resetDco=false ataErase=true$'
  expect "$log" '^class removable: scheme=[^ ]+ verify=true '
  for f in "$prog"/schemes/*.sch; do
    expect "$log" "^scheme file: $(basename "$f") "
  done
  expect "$log" '^QUELIX-ENV: done$'
}

boot bios -cdrom "$iso"
check_environment bios
expect bios '^firmware: bios$'

# shellcheck disable=SC2046 # the helpers print argument lists
boot uefi $(uefi_firmware OVMF_CODE_4M.fd OVMF_VARS_4M.fd) -drive "file=$iso,media=cdrom,readonly=on"
check_environment uefi
expect uefi '^firmware: uefi$'
expect uefi '^secure boot: off$'

# shellcheck disable=SC2046
boot secure $(secure_boot) $(uefi_firmware OVMF_CODE_4M.secboot.fd OVMF_VARS_4M.ms.fd) \
  -drive "file=$iso,media=cdrom,readonly=on"
check_environment secure
expect secure '^firmware: uefi$'
expect secure '^secure boot: on$'

# --- The firmware really enforces it: a medium whose loader is not signed
# does not boot under Secure Boot.
unsigned=$work/unsigned
mkdir -p "$unsigned"
cp -r "$prog/common" "$prog/iso" "$prog/boot" "$prog/schemes" "$unsigned/"
ln -s "$(readlink -f "$prog/mkisofs")" "$unsigned/mkisofs"
cp "$wizard" "$unsigned/mediawizard"
mcopy -n -i "$unsigned/common/efi/boot.img" ::/EFI/BOOT/BOOTX64.EFI "$work/signed.efi"
python3 "$source_dir/tests/e2e/strip_pe_signature.py" "$work/signed.efi" "$work/unsigned.efi"
osslsigncode verify -in "$work/unsigned.efi" >/dev/null 2>&1 && fail "the loader still carries a signature"
mcopy -o -i "$unsigned/common/efi/boot.img" "$work/unsigned.efi" ::/EFI/BOOT/BOOTX64.EFI
"$unsigned/mediawizard" --iso "$work/out/unsigned.iso" >/dev/null 2>&1 || fail "unsigned medium not built"
# The firmware reports the refused loader and then waits in its boot menu, so
# the run ends as soon as the refusal shows.
started=$SECONDS
# shellcheck disable=SC2046
qemu-system-x86_64 $(secure_boot) -m 768 -nic none -display none -serial stdio -no-reboot \
  $(uefi_firmware OVMF_CODE_4M.secboot.fd OVMF_VARS_4M.ms.fd) \
  -drive "file=$work/out/unsigned.iso,media=cdrom,readonly=on" </dev/null >"$work/refused.raw" 2>&1 &
qemu_pid=$!
refused=no
while kill -0 "$qemu_pid" 2>/dev/null && [ $((SECONDS - started)) -lt 180 ]; do
  if grep -qa 'failed to load Boot.*DVD-ROM.*Access Denied' "$work/refused.raw" 2>/dev/null; then
    refused=yes
    break
  fi
  sleep 1
done
# The virtual machine has nothing left to do: end it for sure.
kill -KILL "$qemu_pid" 2>/dev/null || true
wait "$qemu_pid" 2>/dev/null || true
tr -d '\r' <"$work/refused.raw" >"$work/refused.log"
echo "boot refused: $((SECONDS - started)) s"
grep -q 'QUELIX-ENV' "$work/refused.log" && fail "an unsigned loader booted under Secure Boot"
[ "$refused" = yes ] ||
  { tail -n 30 "$work/refused.log" >&2; fail "the firmware did not report the refused loader"; }

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
ls "$work/out" | grep -q QLX && fail "cancel: the work folder beside the image was left"
echo "PASS"
