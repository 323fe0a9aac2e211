#!/usr/bin/env bash
# Benchmark: building an ISO image with `mediawizard --iso` (without the 600 ms
# pause after each progress step) against running the mastering tool alone
# (the payload's mkisofs, xorriso) with the same command line on the same boot
# tree, in one run; genisoimage on that tree is timed beside them. Prints the
# times (median of N runs), the ratios and the peak memory; first with the demo
# payload, then with 256 MiB more in common/ (a real wiping environment's size),
# where placing the payload in the work folder weighs.
# Usage: bench/iso_build.sh [MEDIAWIZARD] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
wizard=${1:-$here/build/linux/wizard/app/mediawizard}
runs=${2:-5}
[ -x "$wizard" ] || { echo "bench: build the linux preset first ($wizard missing)" >&2; exit 1; }
command -v /usr/bin/time >/dev/null || { echo "bench: /usr/bin/time is missing" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
unset SOURCE_DATE_EPOCH  # a plain build, the tool with the plain command line

prog="$work/program"
"$here/payload/assemble" "$prog" >/dev/null
cp "$here"/payload/schemes/*.sch "$prog/schemes/"
cp "$wizard" "$prog/mediawizard"

round() {  # LABEL: one measured round on the program folder as it is now
  # The tree the builder gives the mastering tool, made the same way by hand.
  tree="$work/tree"
  rm -rf "$tree"
  mkdir -p "$tree/boot/isolinux" "$tree/boot/boot"
  cp -r "$prog"/common/* "$tree/boot/"
  cp -r "$prog"/iso/* "$tree/boot/isolinux/"
  cp -r "$prog"/boot/* "$tree/boot/boot/"
  "$prog/mediawizard" --write-config "$tree/boot" >/dev/null

  median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
  measure() {  # command...: prints "seconds kilobytes" per run
    /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>&1
    cat "$work/time"
}

: > "$work/wizard.txt"
: > "$work/tool.txt"
: > "$work/genisoimage.txt"
options=(-o quelixcd.iso -iso-level 4 -b isolinux/isolinux.bin -c isolinux/boot.cat -no-emul-boot
  -boot-load-size 4 -boot-info-table -eltorito-alt-boot -b efi/boot.img -no-emul-boot -r
  -G boot/boot/isofs.b -B ... boot)
for _ in $(seq "$runs"); do
  # Like the tool below, the wizard writes a new image (replacing a large one
  # frees its blocks, which is no part of mastering).
  rm -f "$work/out.iso"
  QUELIX_STEP_PAUSE_MS=0 measure "$prog/mediawizard" --iso "$work/out.iso" >> "$work/wizard.txt"
  (cd "$tree" && rm -f quelixcd.iso && measure "$prog/mkisofs" "${options[@]}") >> "$work/tool.txt"
  (cd "$tree" && rm -f quelixcd.iso && measure genisoimage "${options[@]}") >> "$work/genisoimage.txt"
done
size=$(stat -c %s "$work/out.iso")
column() { cut -d' ' -f"$1" "$work/$2.txt"; }
wizard_s=$(column 1 wizard | median)
tool_s=$(column 1 tool | median)
geniso_s=$(column 1 genisoimage | median)
echo "$1: ISO image $size bytes, median of $runs runs"
echo "mediawizard --iso (no step pauses): ${wizard_s} s, peak $(column 2 wizard | sort -n | tail -1) KiB (the wizard itself; the tool runs as a child)"
echo "$(basename "$(readlink -f "$prog/mkisofs")") alone (the payload's mkisofs): ${tool_s} s, peak $(column 2 tool | sort -n | tail -1) KiB"
echo "genisoimage alone:                  ${geniso_s} s, peak $(column 2 genisoimage | sort -n | tail -1) KiB"
awk -v a="$wizard_s" -v b="$tool_s" -v g="$geniso_s" 'BEGIN {
  if (b > 0) printf "ratio wizard/tool: %.2f\n", a / b; else print "ratio: the tool was too fast to time"
  if (g > 0) printf "ratio tool/genisoimage: %.2f\n", b / g }'
}

round "demo payload"
head -c $((256 << 20)) /dev/urandom > "$prog/common/filler.bin"
round "demo payload + 256 MiB"
