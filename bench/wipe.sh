#!/usr/bin/env bash
# Benchmark: wiping a 1 GiB virtual disk with one zero pass, quelix-wipe
# (built by the linux preset) against `dd if=/dev/zero of=DISK bs=4M
# oflag=direct`, both in the same virtual machine (qemu, the environment's
# kernel and initrd with a benchmark init added), each run three times in turn;
# the best time of each counts. The virtual disk ignores flushes on the host
# (cache=unsafe): quelix-wipe flushes the drive's cache after a pass, dd does
# not, and the host's disk is not what is measured. Prints the times, the
# speeds and the ratio.
# Usage: bench/wipe.sh [QUELIX_WIPE] [SIZE_MIB]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
wiper=${1:-$here/build/linux/wiper/quelix-wipe}
mib=${2:-1024}
[ -x "$wiper" ] || { echo "bench: build the linux preset first ($wiper missing)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

QUELIX_WIPE=$wiper "$here/payload/assemble" "$work/prog" >/dev/null
mkdir -p "$work/overlay/bench"
cp "$here/payload/schemes/zero_fill.sch" "$work/overlay/bench/zero.sch"
cat >"$work/overlay/init" <<'INIT'
#!/bin/busybox sh
/bin/busybox --install -s
mount -t devtmpfs devtmpfs /dev
mount -t proc proc /proc
mount -t sysfs sysfs /sys
exec </dev/console >/dev/console 2>&1
while read -r module; do insmod "/lib/modules/$module" 2>/dev/null; done </lib/modules/disks.list
for _ in $(seq 50); do [ -b /dev/vda ] && break; sleep 0.2; done
now() { cut -d' ' -f1 /proc/uptime; }
for round in 1 2 3; do
  t0=$(now); dd if=/dev/zero of=/dev/vda bs=4M oflag=direct 2>/dev/null; t1=$(now)
  quelix-wipe --wipe /dev/vda --scheme /bench/zero.sch >/dev/null; rc=$?; t2=$(now)
  echo "BENCH round $round dd $t0 $t1 wipe $t1 $t2 rc $rc"
done
poweroff -f
INIT
chmod +x "$work/overlay/init"
# The kernel unpacks the archives one after the other (the next one starts
# after zero padding): the benchmark's init replaces the environment's.
cp "$work/prog/common/initrd.img" "$work/initrd.img"
truncate -s $((($(stat -c %s "$work/initrd.img") + 511) / 512 * 512)) "$work/initrd.img"
(cd "$work/overlay" && find . | cpio -o -H newc -R 0:0 --quiet) >>"$work/initrd.img"
truncate -s "${mib}M" "$work/disk.img"

timeout -k 10 1800 qemu-system-x86_64 -m 768 -nic none -display none -serial stdio -no-reboot \
  -kernel "$work/prog/common/vmlinuz" -initrd "$work/initrd.img" \
  -append "console=ttyS0,115200 panic=-1 quiet" \
  -drive "file=$work/disk.img,format=raw,if=virtio,cache=unsafe" </dev/null | tr -d '\r' >"$work/console.log" || true
grep '^BENCH' "$work/console.log" || { tail -n 30 "$work/console.log" >&2; echo "bench: no result" >&2; exit 1; }
grep -q 'rc 0$' "$work/console.log" || { echo "bench: quelix-wipe failed" >&2; exit 1; }
awk -v mib="$mib" '/^BENCH/ {
    d = $6 - $5; w = $9 - $8
    if (bd == 0 || d < bd) bd = d
    if (bw == 0 || w < bw) bw = w
  }
  END {
    printf "disk: %d MiB, one zero pass, best of three runs each, same virtual machine\n", mib
    printf "quelix-wipe  %7.2f s  %7.1f MiB/s\n", bw, mib / bw
    printf "dd direct    %7.2f s  %7.1f MiB/s\n", bd, mib / bd
    printf "ratio quelix-wipe/dd %.2f\n", bw / bd
  }' "$work/console.log"
