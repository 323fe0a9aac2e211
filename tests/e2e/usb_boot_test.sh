#!/usr/bin/env bash
# Makes image files bootable USB drives with `mediawizard --usb` from the demo
# payload and checks them with real readers (sfdisk, fsck.fat, mtools) and by
# booting them in qemu:
#   - eight images are made in one run: one with a GUID partition table (as a
#     stick that held a Linux installer) and seven blank ones go through one
#     confirmation (refused without a terminal and without --yes), a new MBR
#     partition table that leaves no GPT behind, format, files, boot loader
#     and their reading back; each passes fsck.fat, each build record's
#     digests are those of the files mtools reads back, and the GPT one boots
#     on a BIOS machine, another on a UEFI machine with Secure Boot, to the
#     settings given on the command line;
#   - on a terminal the question lists the drives and each drive's progress
#     is one line updated in place, without the tools' output;
#   - the GPT image is then only updated, given through a link (no question,
#     our files replaced, other files kept) and boots on a UEFI machine;
#   - a 40 GiB sparse image is formatted by the wizard's own FAT32 writer,
#     whose boot sector, FSInfo and FATs are compared with the layout's values.
# Usage: usb_boot_test.sh MEDIAWIZARD SOURCE_DIR
set -euo pipefail
wizard=${1:?mediawizard}
source_dir=${2:?source dir}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export MTOOLS_SKIP_CHECK=1 QUELIX_STEP_PAUSE_MS=0

prog=$work/prog
"$source_dir/payload/assemble" "$prog" >/dev/null
cp "$wizard" "$prog/mediawizard"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME"
echo 'pa55word' > "$work/password"

# --- A GPT stick and seven blank ones. Without a terminal and without --yes
# the one format question is answered No for all of them.
img=$work/usb.img
truncate -s 256M "$img"
echo 'start=2048, type=uefi' | sfdisk -q --label gpt "$img"
mkfs.vfat --offset 2048 "$img" 200000 >/dev/null
gpt_digest=$(sha256sum <"$img")
drives=(--usb "$img")
for i in 2 3 4 5 6 7 8; do
  truncate -s 256M "$work/usb$i.img"
  drives+=(--usb "$work/usb$i.img")
done
"$prog/mediawizard" "${drives[@]}" </dev/null >"$work/no.out" 2>&1 && rc=0 || rc=$?
[ "$rc" -eq 2 ] || fail "no answer: exit $rc: $(cat "$work/no.out")"
grep -q 'no terminal to ask on' "$work/no.out" || fail "no answer: the question was not shown"
grep -qF "  $work/usb8.img  256.0 MB  (overwritten whole)" "$work/no.out" ||
  fail "no answer: the drives were not listed: $(cat "$work/no.out")"
[ "$(sha256sum <"$img")" = "$gpt_digest" ] || fail "no answer: the image was written"
[ "$(du -k "$work/usb8.img" | cut -f1)" -eq 0 ] || fail "no answer: a blank image was written"
# Two names of one drive (here a hard link) are refused before anything is asked.
ln "$work/usb8.img" "$work/again.img"
"$prog/mediawizard" "${drives[@]}" --usb "$work/again.img" </dev/null >"$work/same.out" 2>&1 && rc=0 || rc=$?
[ "$rc" -eq 64 ] && grep -qF "$work/usb8.img and $work/again.img are the same drive" "$work/same.out" ||
  fail "one drive twice: exit $rc: $(cat "$work/same.out")"

# --- FormatNeed 3: the whole path, eight reproducible images at once. The log
# share is checked first (in a private network namespace, so its name lookups
# stay on this machine); --yes keeps it.
unshare --net "$prog/mediawizard" --manual --no-delay --log-share '\\logsrv\wipelogs' --share-user 'CORP\wiper' \
  --share-password-file "$work/password" --lock-settings "${drives[@]}" --yes --reproducible \
  --record "$work/records" </dev/null >"$work/build.out" 2>&1 || fail "build failed: $(cat "$work/build.out")"
[ "$(grep -c '  created, verified$' "$work/build.out")" -eq 8 ] || fail "not all made: $(cat "$work/build.out")"
grep -q 'continue with these settings for network share? \[y/N\] yes (--yes)$' "$work/build.out" ||
  fail "the log share was not checked before the build"
for step in 'Creating MBR sector on the USB removable disk...' 'Formatting the USB removable disk...' \
            'Running syslinux.exe utility ...' 'Finished.'; do
  grep -qF "$step" "$work/build.out" || fail "step missing: $step"
done
sfdisk -d "$img" >"$work/table.txt"
grep -qx 'label: dos' "$work/table.txt" || fail "not an MBR table: $(cat "$work/table.txt")"
grep -Eq 'usb.img1 : start= +63, size= +514017, type=b, bootable' "$work/table.txt" ||
  fail "partition entry: $(cat "$work/table.txt")"
for lba in 1 $(((256 << 20) / 512 - 1)); do  # the GPT header and its backup
  [ "$(dd if="$img" bs=512 skip="$lba" count=1 status=none | head -c 8)" != 'EFI PART' ] ||
    fail "a GPT header is left at sector $lba"
done
cmp -s -n 440 "$img" "$prog/mbr.bin" || fail "the MBR boot code is not the payload's mbr.bin"
check_volume() {  # IMAGE OFFSET-SECTORS SIZE-BYTES: fsck.fat on the volume cut out (sparsely)
  dd if="$1" of="$work/part.img" bs=1M iflag=skip_bytes,count_bytes skip=$(($2 * 512)) \
    count=$((128 << 20)) conv=sparse status=none
  truncate -s "$3" "$work/part.img"
  fsck.fat -n "$work/part.img" >"$work/fsck.txt" 2>&1 || fail "fsck.fat: $(cat "$work/fsck.txt")"
  # The boot loader writes its code into the boot sector only; anything else is a fault.
  if grep -v -e '^fsck.fat' -e 'differences between boot sector and its backup' \
       -e 'mostly harmless' -e '^  [0-9,]' -e '^  ,' -e 'Not automatically fixing' \
       -e ' files, [0-9]*/[0-9]* clusters$' "$work/fsck.txt"; then
    fail "fsck.fat complains"
  fi
}
for i in 2 3 4 5 6 7 8; do check_volume "$work/usb$i.img" 63 $((514017 * 512)); done
check_volume "$img" 63 $((514017 * 512))
# Each record: the command line's options, no password, and the digest of
# every file as mtools reads it back from its image.
python3 - "$work" <<'PY' || fail "build records"
import glob, hashlib, json, os, subprocess, sys
work = sys.argv[1]
records = glob.glob(work + "/records/*.json")
assert len(records) == 8, records
for name in records:
    text = open(name).read()
    assert "pa55word" not in text, name
    record = json.loads(text)
    medium, options = record["medium"], record["options"]
    assert record["result"] == "created" and record["verification"] == {"result": "passed"}, record
    assert medium["kind"] == "usb-image" and medium["bytes"] == 256 << 20, medium
    assert options["workMode"] == "manual" and options["noDelay"] and options["lockSettings"], options
    assert options["logShare"] == "\\\\logsrv\\wipelogs" and options["shareUser"] == "CORP\\wiper", options
    files = record["configuration"] + record["payload"]
    assert {f["path"] for f in record["configuration"]} == {"quelix", "tmp/policy.cfg", "welcome.txt", "wipe_config"}
    assert len(files) > 15, files
    tree = name + ".tree"
    os.makedirs(tree)
    subprocess.run(["mcopy", "-s", "-n", "-i", medium["path"] + "@@32256", "::/*", "::/.disk", tree + "/"],
                   check=True, stderr=subprocess.DEVNULL)
    # FAT names match in any case (common/efi and flash/EFI are one folder).
    found = {os.path.relpath(os.path.join(d, n), tree).lower(): os.path.join(d, n)
             for d, _, names in os.walk(tree) for n in names}
    for f in files:
        data = open(found[f["path"].lower()], "rb").read()
        assert hashlib.sha256(data).hexdigest() == f["sha256"] and len(data) == f["bytes"], (name, f)
PY
mdir -a -b -i "$img@@32256" ::/ >"$work/root.txt"
for f in ::/ldlinux.sys ::/ldlinux.c32 ::/syslinux.cfg ::/vmlinuz ::/initrd.img ::/quelix \
         ::/wipe_config ::/welcome.txt ::/EFI ::/.disk; do
  grep -qiE "^$f/?\$" "$work/root.txt" || fail "$f missing from the drive: $(cat "$work/root.txt")"
done
mdir -a -b -i "$img@@32256" ::/EFI/BOOT ::/EFI/debian ::/tmp >"$work/efi.txt"
for f in ::/EFI/BOOT/BOOTX64.EFI ::/EFI/BOOT/grubx64.efi ::/EFI/debian/grub.cfg ::/tmp/policy.cfg; do
  grep -qiE "^$f/?\$" "$work/efi.txt" || fail "$f missing from the drive: $(cat "$work/efi.txt")"
done

. "$source_dir/tests/e2e/boot_lib.sh"
boot bios -drive "file=$img,format=raw"
for line in '^QUELIX-ENV: start$' '^firmware: bios$' '^export WIPE_ALL_DISKS=n$' \
            '^export USE_NODELAY=y$' '^export LOCK_PRESET=y$' '^export NET_SHARE=//logsrv/wipelogs$' \
            '^export NET_USER=CORP/wiper$' '^QUELIX-ENV: done$'; do
  expect bios "$line"
done
# shellcheck disable=SC2046 # the helpers print argument lists
boot secure $(secure_boot) $(uefi_firmware OVMF_CODE_4M.secboot.fd OVMF_VARS_4M.ms.fd) \
  -drive "file=$work/usb2.img,format=raw"
for line in '^firmware: uefi$' '^secure boot: on$' '^export WIPE_ALL_DISKS=n$' \
            '^export NET_SHARE=//logsrv/wipelogs$' '^QUELIX-ENV: done$'; do
  expect secure "$line"
done

# --- On a terminal: the drives listed in the question, answered there; a
# line per drive redrawn in place; none of the tools' own lines.
truncate -s 64M "$work/t1.img" "$work/t2.img"
python3 "$source_dir/tests/e2e/pty_answer.py" '[y/N] =y' -- "$prog/mediawizard" \
  --usb "$work/t1.img" --usb "$work/t2.img" >"$work/tty.out" 2>&1 || fail "on a terminal: $(cat "$work/tty.out")"
grep -qF "  $work/t2.img  64.0 MB  (overwritten whole)" "$work/tty.out" || fail "on a terminal: no drive list"
grep -qF $'\e[2A\r\e[2K'"$work/t1.img  [ 25%] Formatting the USB removable disk..." "$work/tty.out" ||
  fail "on a terminal: the first drive's line was not redrawn in place: $(cat -v "$work/tty.out")"
grep -q 'mkfs.fat' "$work/tty.out" && fail "on a terminal: the tools' output was shown"
[ "$(grep -c '  created, verified' "$work/tty.out")" -eq 2 ] || fail "on a terminal: no table"

# --- FormatNeed 0: the drive is only updated, given through a link.
echo 'notes of the administrator' >"$work/keep.txt"
mcopy -i "$img@@32256" "$work/keep.txt" ::/keep.txt
ln -s usb.img "$work/stick"
"$prog/mediawizard" --auto --delay --no-log-share --usb "$work/stick" </dev/null >"$work/update.out" 2>&1 ||
  fail "update failed: $(cat "$work/update.out")"
grep -q 'y/N' "$work/update.out" && fail "the update asked a question"
grep -qF 'Formatting' "$work/update.out" && fail "the update formatted the drive"
[ "$(mtype -i "$img@@32256" ::/keep.txt)" = 'notes of the administrator' ] || fail "keep.txt lost"
grep -qF "\"given\": \"$work/stick\"" "$img.json" && grep -qF '"verification": {"result": "not asked"}' "$img.json" ||
  fail "update: no build record beside the image: $(cat "$img.json")"
mtype -i "$img@@32256" ::/wipe_config | tr -d '\r' | grep -qx 'export WIPE_ALL_DISKS=y' ||
  fail "wipe_config not replaced: $(mtype -i "$img@@32256" ::/wipe_config)"
check_volume "$img" 63 $((514017 * 512))
# shellcheck disable=SC2046
boot uefi $(uefi_firmware OVMF_CODE_4M.fd OVMF_VARS_4M.fd) -drive "file=$img,format=raw"
expect uefi '^firmware: uefi$'
expect uefi '^secure boot: off$'
expect uefi '^export WIPE_ALL_DISKS=y$'
expect uefi '^QUELIX-ENV: done$'

# --- 40 GiB: above the system formatter's limit, the own FAT32 writer.
big=$work/big.img
truncate -s 40G "$big"
"$prog/mediawizard" --usb "$big" --yes </dev/null >"$work/big.out" 2>&1 ||
  fail "40 GiB build failed: $(cat "$work/big.out")"
grep -q 'mkfs.fat' "$work/big.out" && fail "40 GiB: the system formatter ran"
python3 - "$big" <<'PY' || fail "40 GiB: FAT32 fields differ"
# The backup boot sector and FSInfo (sectors 6 and 7) keep what the writer
# wrote; the boot loader and mtools change only the primary ones.
import struct, sys
with open(sys.argv[1], "rb") as f:
    mbr = f.read(512)
    start, count = struct.unpack_from("<II", mbr, 446 + 8)
    f.seek((start + 6) * 512); boot = f.read(1024)
    s = struct.unpack_from("<I", boot, 32)[0]
    fat = (s + 8160) // 8193
    f.seek((start + 32) * 512); fat1 = f.read(12)
    f.seek((start + 32 + fat) * 512); fat2 = f.read(12)
want = {"start": 63, "S": count // 2 * 2, "hidden": 63, "F": fat, "spc": 64, "reserved": 32,
        "fats": 2, "root": 2, "fsinfo": 1, "backup": 6, "free": (s - 2 * fat - 32) // 64 - 1,
        "next": 3}
got = {"start": start, "S": s, "hidden": struct.unpack_from("<I", boot, 28)[0],
       "F": struct.unpack_from("<I", boot, 36)[0], "spc": boot[13],
       "reserved": struct.unpack_from("<H", boot, 14)[0], "fats": boot[16],
       "root": struct.unpack_from("<I", boot, 44)[0], "fsinfo": struct.unpack_from("<H", boot, 48)[0],
       "backup": struct.unpack_from("<H", boot, 50)[0],
       "free": struct.unpack_from("<I", boot, 512 + 488)[0],
       "next": struct.unpack_from("<I", boot, 512 + 492)[0]}
ok = (got == want and boot[:11] == b"\xeb\x58\x90MSWIN4.1" and boot[512:516] == b"RRaA"
      and boot[512 + 484:512 + 488] == b"rrAa" and boot[82:90] == b"FAT32   "
      and fat1[:4] == b"\xf8\xff\xff\x0f" and fat2 == b"\xf8\xff\xff\x0f\xff\xff\xff\xff\xff\xff\xff\x0f")
print("40 GiB volume:", got)
if not ok:
    print("expected:", want)
sys.exit(0 if ok else 1)
PY
big_sectors=$(sfdisk -d "$big" | sed -n 's/.*start= *63, size= *\([0-9]*\).*/\1/p')
check_volume "$big" 63 $((big_sectors / 2 * 1024))
mdir -a -b -i "$big@@32256" ::/ | grep -qix '::/ldlinux.sys' || fail "40 GiB: no ldlinux.sys"

# --- The drive list runs without any USB drive present.
"$prog/mediawizard" --list-usb >"$work/list.out" || fail "--list-usb failed"
head -n 1 "$work/list.out" | grep -qx "$(printf 'Device\tDrive\tCapacity\tFree space\tFilesystem\tStatus')" ||
  fail "--list-usb header: $(head -n 1 "$work/list.out")"
echo "PASS"
