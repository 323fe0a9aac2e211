#!/usr/bin/env bash
# Benchmark: eight 256 MiB USB drive images made at once by one
# `mediawizard --usb A --usb B ...` against eight runs of the same build one
# after another (both without reading back, and without the 600 ms pause after
# each progress step), in one run; then what the reading back adds (the
# verification, on by default for several drives) against the time the writing
# took, for the eight at once and for one drive; and the peak resident memory of
# the program for eight drives (its own, sampled from /proc while it runs, and
# that of the largest of it and its tools, as /usr/bin/time reports it).
# Prints the medians of N runs and the ratios.
# Usage: bench/multi_usb.sh [MEDIAWIZARD] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
wizard=${1:-$here/build/linux/wizard/app/mediawizard}
runs=${2:-3}
[ -x "$wizard" ] || { echo "bench: build the linux preset first ($wizard missing)" >&2; exit 1; }
command -v /usr/bin/time >/dev/null || { echo "bench: /usr/bin/time is missing" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" MTOOLS_SKIP_CHECK=1 QUELIX_STEP_PAUSE_MS=0

prog="$work/program"
"$here/payload/assemble" "$prog" >/dev/null
cp "$wizard" "$prog/mediawizard"

now() { date +%s.%N; }
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
fresh() {  # N: N new blank images x1.img ... xN.img
  rm -f "$work"/x*.img*
  for i in $(seq "$1"); do truncate -s 256M "$work/x$i.img"; done
}
targets() { for i in $(seq "$1"); do echo --usb "$work/x$i.img"; done; }

# run N VERIFY: one run over N drives; prints "seconds own-peak-KiB tree-peak-KiB".
run() {
  local t0 t1 pid hwm=0 value
  fresh "$1"
  t0=$(now)
  # shellcheck disable=SC2046 # targets prints the argument list
  /usr/bin/time -o "$work/time.txt" -f %M "$prog/mediawizard" $(targets "$1") --yes "$2" \
    </dev/null >/dev/null 2>&1 &
  pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    value=$(awk '/VmHWM/ { print $2 }' "/proc/$(pgrep -P "$pid" -x mediawizard || echo none)/status" \
      2>/dev/null || true)
    [ -z "$value" ] || hwm=$value
    sleep 0.02
  done
  wait "$pid"
  t1=$(now)
  echo "$(echo "$t1 - $t0" | bc) $hwm $(cat "$work/time.txt")"
}

: >"$work/together"; : >"$work/apart"; : >"$work/verified8"; : >"$work/one"; : >"$work/verified1"
for _ in $(seq "$runs"); do
  run 8 --no-verify-medium >>"$work/together"
  t0=$(now)
  for i in $(seq 8); do
    rm -f "$work/y.img"; truncate -s 256M "$work/y.img"
    "$prog/mediawizard" --usb "$work/y.img" --yes </dev/null >/dev/null 2>&1
  done
  t1=$(now)
  echo "$t1 - $t0" | bc >>"$work/apart"
  run 8 --verify-medium >>"$work/verified8"
  run 1 --no-verify-medium >>"$work/one"
  run 1 --verify-medium >>"$work/verified1"
done
together=$(awk '{ print $1 }' "$work/together" | median); apart=$(median <"$work/apart")
verified8=$(awk '{ print $1 }' "$work/verified8" | median)
one=$(awk '{ print $1 }' "$work/one" | median); verified1=$(awk '{ print $1 }' "$work/verified1" | median)
own=$(awk '{ print $2 }' "$work/verified8" | sort -n | tail -n 1)
tree=$(awk '{ print $3 }' "$work/verified8" | sort -n | tail -n 1)
single=$(awk '{ print $2 }' "$work/verified1" | sort -n | tail -n 1)
printf 'eight 256 MiB images: at once %.3f s, one after another %.3f s, ratio %.2f\n' \
  "$together" "$apart" "$(echo "$together / $apart" | bc -l)"
printf 'reading back, eight at once: %.3f s more on %.3f s of writing (%.0f%%)\n' \
  "$(echo "$verified8 - $together" | bc -l)" "$together" \
  "$(echo "($verified8 - $together) * 100 / $together" | bc -l)"
printf 'reading back, one drive: %.3f s more on %.3f s of writing (%.0f%%)\n' \
  "$(echo "$verified1 - $one" | bc -l)" "$one" "$(echo "($verified1 - $one) * 100 / $one" | bc -l)"
printf 'peak memory, eight drives read back: the program %d KiB (one drive %d KiB; %d KiB more), the largest of it and its tools %d KiB\n' \
  "$own" "$single" "$((own - single))" "$tree"
