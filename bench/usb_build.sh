#!/usr/bin/env bash
# Benchmark: preparing USB drive images with `mediawizard --usb` (without the
# 600 ms pause after each progress step) against the equivalent shell pipeline
# (sfdisk, mkfs.vfat, mcopy, syslinux, dd of mbr.bin) on the same payload:
#   1. the full preparation of a 256 MiB image (the system formatter's range);
#   2. a 64 GiB sparse image, above the formatter's limit, where the wizard
#      writes FAT32 itself: its formatting step (from the progress lines)
#      against mkfs.fat on the same image.
# Prints the medians of N runs and the ratios.
# Usage: bench/usb_build.sh [MEDIAWIZARD] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
wizard=${1:-$here/build/linux/wizard/app/mediawizard}
runs=${2:-5}
[ -x "$wizard" ] || { echo "bench: build the linux preset first ($wizard missing)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" MTOOLS_SKIP_CHECK=1 QUELIX_STEP_PAUSE_MS=0

prog="$work/program"
"$here/payload/assemble" "$prog" >/dev/null
cp "$wizard" "$prog/mediawizard"
# The drive root the wizard stages, made once by hand for the pipeline.
root="$work/root"
mkdir -p "$root"
cp -r "$prog"/common/. "$prog"/flash/. "$root/"
"$prog/mediawizard" --write-config "$root" >/dev/null

now() { date +%s.%N; }
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

pipeline() {  # IMAGE SIZE-BYTES: the shell's way to the same drive; prints the formatting time
  local img=$1 size=$2 cyl=$((255 * 63 * 512)) sectors t0 t1
  sectors=$(( (size / cyl) * 255 * 63 - 63 ))
  echo "start=63, size=$sectors, type=b, bootable" | sfdisk -q "$img"
  t0=$(now)
  mkfs.vfat -I -F 32 -n QUELIX_OMS -h 63 --offset 63 "$img" $((sectors / 2)) >/dev/null 2>&1
  t1=$(now)
  mcopy -s -o -Q -i "$img@@32256" "$root"/* "$root"/.disk ::/
  syslinux --install --offset 32256 "$img"
  dd if="$prog/mbr.bin" of="$img" bs=440 count=1 conv=notrunc status=none
  echo "$t1 - $t0" | bc
}

wizard_run() {  # IMAGE: prints "total formatting" seconds
  local img=$1 t0
  t0=$(now)
  "$prog/mediawizard" --usb "$img" --yes </dev/null 2>/dev/null |
    while IFS= read -r line; do echo "$(now) $line"; done >"$work/steps.txt"
  local t1 f0 f1
  t1=$(now)
  f0=$(awk '/Formatting the USB removable disk/ { print $1 }' "$work/steps.txt")
  f1=$(awk '/Allocating memory/ { print $1 }' "$work/steps.txt")
  echo "$(echo "$t1 - $t0" | bc) $(echo "$f1 - $f0" | bc)"
}

: >"$work/w256"; : >"$work/p256"; : >"$work/wfmt"; : >"$work/pfmt"
for _ in $(seq "$runs"); do
  rm -f "$work/a.img"; truncate -s 256M "$work/a.img"
  wizard_run "$work/a.img" | awk '{ print $1 }' >>"$work/w256"
  rm -f "$work/b.img"; truncate -s 256M "$work/b.img"
  t0=$(now); pipeline "$work/b.img" $((256 << 20)) >/dev/null; t1=$(now)
  echo "$t1 - $t0" | bc >>"$work/p256"
  rm -f "$work/c.img"; truncate -s 64G "$work/c.img"
  wizard_run "$work/c.img" | awk '{ print $2 }' >>"$work/wfmt"
  rm -f "$work/d.img"; truncate -s 64G "$work/d.img"
  pipeline "$work/d.img" $((64 << 30)) >>"$work/pfmt"
done
w256=$(median <"$work/w256"); p256=$(median <"$work/p256")
wfmt=$(median <"$work/wfmt"); pfmt=$(median <"$work/pfmt")
printf '256 MiB image, full preparation: mediawizard %.3f s, shell pipeline %.3f s, ratio %.2f\n' \
  "$w256" "$p256" "$(echo "$w256 / $p256" | bc -l)"
printf '64 GiB image, FAT32 formatting: own writer %.3f s, mkfs.fat %.3f s, ratio %.2f\n' \
  "$wfmt" "$pfmt" "$(echo "$wfmt / $pfmt" | bc -l)"
