#!/usr/bin/env bash
# The wiping environment wipes, booted in qemu from media made by mediawizard:
#   1. A USB stick (automatic mode, no delay, log to the stick) on a BIOS
#      machine with a hard disk (zero fill, verified), a solid-state disk (the
#      pattern scheme) and a removable disk whose writes fail from its middle
#      on (qemu's blkdebug; the three-pass scheme): the first two hold exactly
#      what their schemes write, the third is reported failed, the stick's file
#      system stays sound and holds the log.
#   2. The same stick on a UEFI machine with Secure Boot: a SATA hard disk and
#      a USB stick wiped with the three-pass scheme (a byte, its complement,
#      random data read back and compared).
#   3. An ISO image in manual mode on a BIOS machine, answered over the serial
#      console: the operator picks one of two disks and gives it another
#      scheme; only that disk is wiped, and the log reaches an SMB share (smbd
#      in a private network namespace, which the guest reaches at 10.0.2.2
#      through qemu's user network).
# Usage: wipe_boot_test.sh MEDIAWIZARD QUELIX_WIPE SOURCE_DIR
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }

# Part 3 runs in a private network namespace: smbd, then the machine.
share_boot() {
  local work=$1 source_dir=$2 iso=$3 disk1=$4 disk2=$5 priv=$1/smb
  ip link set lo up
  mkdir -p "$priv/state" "$work/share"
  # The share's user (not root) must reach the folder through the scratch folder.
  chmod 0711 "$work"
  chmod 0777 "$work/share"
  # Samba's accounts, without touching the machine's (nss_wrapper); smbd
  # needs its guest account too.
  printf '%s\n' root:x:0:0:root:/root:/bin/sh nobody:x:65534:65534::/nonexistent:/usr/sbin/nologin \
    qxshare:x:60111:60111::/nonexistent:/usr/sbin/nologin >"$priv/passwd"
  printf '%s\n' root:x:0: nogroup:x:65534: qxshare:x:60111: >"$priv/group"
  cat >"$priv/smb.conf" <<CONF
[global]
  workgroup = QXTEST
  interfaces = lo
  bind interfaces only = yes
  smb ports = 445
  private dir = $priv/state
  lock directory = $priv/state
  state directory = $priv/state
  cache directory = $priv/state
  pid directory = $priv/state
  ncalrpc dir = $priv/state/ncalrpc
  log file = $priv/log.%m
  passdb backend = tdbsam:$priv/state/passdb.tdb
  server min protocol = SMB2
  load printers = no
  disable spoolss = yes
[rw]
  path = $work/share
  read only = no
  valid users = qxshare
CONF
  local nss=(env LD_PRELOAD=libnss_wrapper.so NSS_WRAPPER_PASSWD="$priv/passwd" NSS_WRAPPER_GROUP="$priv/group")
  printf 'S3cret, pw\nS3cret, pw\n' | "${nss[@]}" smbpasswd -c "$priv/smb.conf" -a -s qxshare >/dev/null
  # smbd in a session of its own: when it ends it signals its whole process
  # group, which must not be this script's.
  setsid "${nss[@]}" smbd --foreground --no-process-group -s "$priv/smb.conf" >"$priv/smbd.log" 2>&1 &
  local smbd=$!
  for _ in $(seq 150); do (exec 3<>/dev/tcp/127.0.0.1/445) 2>/dev/null && break; sleep 0.2; done
  local started=$SECONDS
  # The operator: picks the second disk listed, gives it scheme 7 (the
  # catalogue's last, the zero fill), confirms one drive on the serial console,
  # and ends the session with Enter on the machine's keyboard (the screen's
  # console).
  PTY_ANSWER_SECONDS=240 PTY_ANSWER_MONITOR=$work/monitor.sock \
    timeout -k 10 600 python3 "$source_dir/tests/e2e/pty_answer.py" \
    'drives to wipe=2' 'an empty line goes on=2 7' 'an empty line goes on=' 'to start wiping=1' \
    'Press Enter to power off=!sendkey ret' -- \
    qemu-system-x86_64 -m 768 -display none -serial stdio -no-reboot -nic user,model=e1000 \
    -monitor "unix:$work/monitor.sock,server=on,wait=off" \
    -cdrom "$iso" \
    -drive "if=none,id=d1,file=$disk1,format=raw" -device ide-hd,drive=d1,bus=ide.0,unit=0,serial=QXMAN0001 \
    -drive "if=none,id=d2,file=$disk2,format=raw" -device ide-hd,drive=d2,bus=ide.0,unit=1,serial=QXMAN0002 \
    >"$work/manual.raw" 2>&1 || true
  echo "boot manual: $((SECONDS - started)) s"
  kill -TERM -- "-$smbd" 2>/dev/null || true
  wait "$smbd" 2>/dev/null || true
}
if [ "${1:-}" = --share-boot ]; then
  shift
  share_boot "$@"
  exit 0
fi

wizard=${1:?mediawizard}
wiper=${2:?quelix-wipe}
source_dir=${3:?source dir}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export MTOOLS_SKIP_CHECK=1 QUELIX_STEP_PAUSE_MS=0
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME"

prog=$work/prog
QUELIX_WIPE=$wiper "$source_dir/payload/assemble" "$prog" >/dev/null
cp "$wizard" "$prog/mediawizard"
index_of() {  # scheme file name -> catalogue index
  "$prog/mediawizard" --list-schemes | awk -F'\t' -v f="$1" '$3 == f { print $1 }'
}
zero=$(index_of zero_fill.sch)
pattern=$(index_of pattern_1pass.sch)
three=$(index_of dod_5220_22m_e.sch)
[ -n "$zero" ] && [ -n "$pattern" ] && [ -n "$three" ] || fail "schemes not listed"

# disk NAME MIB: a disk image filled with A5 bytes.
disk() { python3 -c 'import sys; open(sys.argv[1], "wb").write(b"\xa5" * (int(sys.argv[2]) << 20))' "$work/$1.img" "$2"; }
# repeats FILE HEX: the file is the byte sequence HEX over and over.
repeats() {
  python3 -c 'import sys; d = open(sys.argv[1], "rb").read(); p = bytes.fromhex(sys.argv[2])
sys.exit(0 if d == p * (len(d) // len(p)) else 1)' "$1" "$2"
}
# stick_log NAME: the log file on the stick written after the one before (or the first).
stick_log() {
  mdir -b -i "$stick@@$offset" ::/ | grep -i 'quelix-wipe-.*\.log$' | sort | tail -n 1 >"$work/$1.name" || true
  [ -s "$work/$1.name" ] || fail "$1: no log on the stick"
  mtype -i "$stick@@$offset" "$(cat "$work/$1.name")" >"$work/$1.txt"
}
# drive_block LOG SERIAL: the log's lines about the drive with that serial.
drive_block() { awk -v s="  serial: $2" '/^drive /{ keep = 0; block = "" } { block = block $0 "\n" } $0 == s { keep = 1 } keep && /^  result:/ { printf "%s", block; keep = 0 }' "$1"; }

. "$source_dir/tests/e2e/boot_lib.sh"

# --- 1. Automatic mode from the USB stick, BIOS.
stick=$work/stick.img
truncate -s 96M "$stick"
"$prog/mediawizard" --auto --no-delay --log-usb --no-log-share --custom-settings \
  --scheme "hdd=$zero" --scheme "ssd=$pattern" --scheme "removable=$three" --verify hdd,removable \
  --usb "$stick" --yes </dev/null >"$work/build.out" 2>&1 || fail "stick not built: $(cat "$work/build.out")"
start=$(sfdisk -d "$stick" | sed -n 's/.*start= *\([0-9]*\),.*/\1/p')
offset=$((start * 512))
disk hdd 64
disk ssd 32
disk bad 16
cat >"$work/bad.conf" <<'CONF'
[inject-error]
event = "pwritev"
iotype = "write"
errno = "5"
sector = "16384"
once = "off"
CONF
boot auto -drive "file=$stick,format=raw" \
  -drive "if=none,id=hdd,file=$work/hdd.img,format=raw" \
  -device ide-hd,drive=hdd,bus=ide.0,unit=1,serial=QXHDD0001,rotation_rate=7200 \
  -drive "if=none,id=ssd,file=$work/ssd.img,format=raw" \
  -device ide-hd,drive=ssd,bus=ide.1,unit=0,serial=QXSSD0001,rotation_rate=1 \
  -device virtio-scsi-pci,id=scsi \
  -drive "if=none,id=bad,file=blkdebug:$work/bad.conf:$work/bad.img,format=raw,werror=report,rerror=report" \
  -device scsi-hd,drive=bad,bus=scsi.0,serial=QXBAD0001,removable=on
expect auto '^QUELIX-ENV: done$'
expect auto '^not offered: sd[a-d], the wiping medium \(volume label QUELIX_OMS\)$'
expect auto '^log written to the USB drive: quelix-wipe-.*\.log$'
expect auto '^QUELIX-WIPE: finished$'
expect auto '^sd[a-d] +pass 1/1 verifying 100% +[0-9.]+ MB/s +0:00:00 left$'
cmp -s -n $((64 << 20)) "$work/hdd.img" /dev/zero || fail "the hard disk is not all zeros"
repeats "$work/ssd.img" 5555aaff || fail "the solid-state disk does not hold the pattern"
cmp -s -n $((8 << 20)) "$work/bad.img" /dev/zero || fail "the failing disk's first half is not written"
dd if="$stick" of="$work/part.img" bs=512 skip="$start" status=none
fsck.fat -n "$work/part.img" >"$work/fsck.txt" 2>&1 || fail "fsck.fat: $(cat "$work/fsck.txt")"
# The boot loader's code in the boot sector differs from the backup; anything
# else would be damage.
if grep -v -e '^fsck.fat' -e 'differences between boot sector and its backup' -e 'mostly harmless' \
     -e '^  [0-9,]' -e '^  ,' -e 'Not automatically fixing' -e ' files, [0-9]*/[0-9]* clusters$' \
     "$work/fsck.txt"; then
  fail "fsck.fat complains about the stick"
fi
stick_log auto
drive_block "$work/auto.txt" QXHDD0001 >"$work/hdd.log"
drive_block "$work/auto.txt" QXSSD0001 >"$work/ssd.log"
drive_block "$work/auto.txt" QXBAD0001 >"$work/bad.log"
grep -qx '  class: hard disk' "$work/hdd.log" && grep -qx '  result: wiped and verified' "$work/hdd.log" &&
  grep -q '^  pass 1/1: zeros + verify: started .*, done, verified$' "$work/hdd.log" ||
  fail "hard disk: $(cat "$work/auto.txt")"
# The hard disk answers ATA commands, and has no security feature set.
grep -q '^  ATA erase: not possible, the drive does not support the ATA security feature set' \
  "$work/hdd.log" || fail "hard disk: no ATA erase line"
grep -qx '  class: solid-state' "$work/ssd.log" && grep -qx '  result: wiped' "$work/ssd.log" ||
  fail "solid-state disk: $(cat "$work/auto.txt")"
grep -qx '  class: removable' "$work/bad.log" &&
  grep -qx '  result: FAILED: pass 1: write error at byte 8388608: Input/output error' "$work/bad.log" ||
  fail "failing disk: $(cat "$work/auto.txt")"
grep -q '^configuration sha256: [0-9a-f]\{64\}$' "$work/auto.txt" || fail "no configuration digest"

# --- 2. The same stick on UEFI with Secure Boot: a SATA disk and a USB stick.
disk sata 16
disk usb 16
# shellcheck disable=SC2046 # the helpers print argument lists
boot secure $(secure_boot) $(uefi_firmware OVMF_CODE_4M.secboot.fd OVMF_VARS_4M.ms.fd) \
  -drive "file=$stick,format=raw" \
  -drive "if=none,id=sata,file=$work/sata.img,format=raw" \
  -device ide-hd,drive=sata,bus=ide.1,serial=QXSATA0001,rotation_rate=7200 \
  -device qemu-xhci,id=xhci -drive "if=none,id=usb,file=$work/usb.img,format=raw" \
  -device usb-storage,bus=xhci.0,drive=usb,serial=QXUSB0001
expect secure '^secure boot: on$'
expect secure '^QUELIX-WIPE: finished$'
cmp -s -n $((16 << 20)) "$work/sata.img" /dev/zero || fail "the SATA disk is not all zeros"
python3 -c 'import sys; d = open(sys.argv[1], "rb").read(1 << 20); sys.exit(0 if len(set(d)) == 256 else 1)' \
  "$work/usb.img" || fail "the USB stick does not hold random data"
stick_log secure
drive_block "$work/secure.txt" QXUSB0001 >"$work/usb.log"
for line in '  class: removable' '  pass 1/3: pattern 00: started .*, done' \
            '  pass 2/3: complement: started .*, done' \
            '  pass 3/3: random data + verify: started .*, done, verified' \
            '  result: wiped and verified'; do
  grep -qx "$line" "$work/usb.log" || fail "USB stick: no line '$line': $(cat "$work/secure.txt")"
done
drive_block "$work/secure.txt" QXSATA0001 | grep -qx '  result: wiped and verified' ||
  fail "SATA disk: $(cat "$work/secure.txt")"

# --- 3. Manual mode from an ISO image, answered on the serial console; the
# log goes to a share.
printf 'S3cret, pw\n' >"$work/password"
unshare --net "$prog/mediawizard" --manual --custom-settings --scheme "hdd=$three" --no-verify hdd \
  --log-share '//10.0.2.2/rw' --share-user 'QXTEST\qxshare' --share-password-file "$work/password" \
  --yes --iso "$work/manual.iso" >"$work/iso.out" 2>&1 || fail "ISO not built: $(cat "$work/iso.out")"
disk man1 16
disk man2 16
unshare --net "$BASH" "$0" --share-boot "$work" "$source_dir" "$work/manual.iso" "$work/man1.img" \
  "$work/man2.img"
tr -d '\r' <"$work/manual.raw" >"$work/manual.log"
expect manual '^network: eth0 10\.0\.2\.[0-9]+/24$'
expect manual '^sd[ab]: 1-pass zero fill$'
expect manual '^log written to the share //10\.0\.2\.2/rw: quelix-wipe-.*\.log$'
# Enter on the keyboard ended the session.
expect manual 'reboot: Power down'
shared=$(find "$work/share" -name 'quelix-wipe-*.log' | head -n 1)
[ -n "$shared" ] || fail "no log on the share: $(tail -n 30 "$work/manual.log")"
# The kernel names the two disks in either order: the log says which one was
# chosen; that one holds zeros, the other is untouched.
chosen=$(sed -n 's/^  serial: QXMAN000\([12]\)$/\1/p' "$shared")
[ "$chosen" = 1 ] || [ "$chosen" = 2 ] || fail "the share's log names no chosen disk: $(cat "$shared")"
other=$((3 - chosen))
grep -qx 'work mode: manual' "$shared" && grep -qx '  scheme: 1-pass zero fill (zero_fill)' "$shared" &&
  ! grep -q "QXMAN000$other" "$shared" || fail "the share's log: $(cat "$shared")"
cmp -s -n $((16 << 20)) "$work/man$chosen.img" /dev/zero || fail "the chosen disk is not all zeros"
cmp -s "$work/man$other.img" <(python3 -c 'import sys; sys.stdout.buffer.write(b"\xa5" * (16 << 20))') ||
  fail "the disk not chosen was written"
echo "PASS"
