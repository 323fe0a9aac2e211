#!/usr/bin/env bash
# Benchmark: how long a client takes from the start of qemu to the wiping
# environment's first line on the serial console, booted from the network tree
# of `mediawizard --netboot` (qemu's own TFTP server) on BIOS and on UEFI,
# against the ISO image of `mediawizard --iso` with the same settings, in one
# run. Prints the median of N runs of each and the ratios to the ISO's. qemu
# runs without KVM, as in the tests; the PXE times are mostly TFTP transfer.
# Usage: bench/netboot_boot.sh [MEDIAWIZARD] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
wizard=${1:-$here/build/linux/wizard/app/mediawizard}
runs=${2:-3}
[ -x "$wizard" ] || { echo "bench: build the linux preset first ($wizard missing)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" QUELIX_STEP_PAUSE_MS=0

prog="$work/program"
"$here/payload/assemble" "$prog" >/dev/null
cp "$wizard" "$prog/mediawizard"
"$prog/mediawizard" --netboot "$work/tree" >/dev/null 2>&1
"$prog/mediawizard" --iso "$work/quelix.iso" >/dev/null 2>&1

# first_line QEMU-ARGS...: seconds from qemu's start to the environment's first
# line; the machine is stopped there.
first_line() {
  local log=$work/console.log started pid
  : >"$log"
  started=$(date +%s.%N)
  qemu-system-x86_64 -m 768 -display none -serial "file:$log" -no-reboot "$@" </dev/null \
    >/dev/null 2>&1 &
  pid=$!
  while ! grep -qa 'QUELIX-ENV: start' "$log"; do
    kill -0 "$pid" 2>/dev/null || { echo "bench: qemu ended without the environment" >&2; exit 1; }
    awk -v s="$started" -v n="$(date +%s.%N)" 'BEGIN { exit !(n - s > 600) }' &&
      { kill "$pid"; echo "bench: no environment after 600 s" >&2; exit 1; }
    sleep 0.2
  done
  awk -v s="$started" -v n="$(date +%s.%N)" 'BEGIN { printf "%.1f\n", n - s }'
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
measure() {  # LABEL QEMU-ARGS...
  local label=$1; shift
  for _ in $(seq "$runs"); do first_line "$@"; done | median >"$work/$label.time"
}

cp /usr/share/OVMF/OVMF_VARS_4M.fd "$work/vars.fd"
measure iso -nic none -cdrom "$work/quelix.iso"
measure bios -boot n -netdev "user,id=n0,tftp=$work/tree,bootfile=pxelinux.0" \
  -device e1000,netdev=n0 -option-rom /usr/lib/ipxe/qemu/pxe-e1000.rom
measure uefi -drive if=pflash,format=raw,unit=0,readonly=on,file=/usr/share/OVMF/OVMF_CODE_4M.fd \
  -drive "if=pflash,format=raw,unit=1,file=$work/vars.fd" \
  -netdev "user,id=n0,tftp=$work/tree,bootfile=bootx64.efi" -device virtio-net-pci,netdev=n0,romfile=

iso=$(cat "$work/iso.time")
echo "qemu start to the environment's first line, median of $runs runs (no KVM):"
echo "ISO image, BIOS:     ${iso} s"
for kind in bios uefi; do
  t=$(cat "$work/$kind.time")
  awk -v k="$kind" -v t="$t" -v i="$iso" \
    'BEGIN { printf "network boot, %-7s %s s, ratio to the ISO %.2f\n", toupper(k) ":", t, t / i }'
done
