#!/usr/bin/env bash
# Benchmark: a 1 GiB download over loopback with the updater's HTTP client and
# terminal downloader (qo_download, built by the linux preset: libcurl loaded
# by name, 64 KiB reads through the download worker, written under a
# temporary name and moved into place) against `curl -o` from the same local
# server in the same run. Prints wall time, throughput, CPU time (user +
# system) per MiB of each and the ratios, and checks both files have the size.
# Usage: bench/download.sh [QO_DOWNLOAD] [SIZE_MIB]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
tool=${1:-$here/build/linux/updater/net/qo_download}
mib=${2:-1024}
[ -x "$tool" ] || { echo "bench: build the linux preset first ($tool missing)" >&2; exit 1; }
command -v /usr/bin/time >/dev/null || { echo "bench: /usr/bin/time is missing" >&2; exit 1; }
command -v curl >/dev/null || { echo "bench: curl is missing" >&2; exit 1; }

if [ -z "${QO_HTTP_PORT:-}" ]; then
  # Start the local test server and run this script again under it.
  exec python3 "$here/updater/net/testing/http_test_server.py" "$0" "$tool" "$mib"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bytes=$((mib * 1024 * 1024))
object="size-$bytes"

# measure NAME command...: one run; prints "seconds user system"
measure() {
  local name=$1
  shift
  /usr/bin/time -f '%e %U %S' -o "$work/$name.time" "$@" > /dev/null 2>"$work/$name.err" || {
    echo "bench: $name failed:" >&2; cat "$work/$name.err" >&2; exit 1; }
  cat "$work/$name.time"
}

check_size() {
  local size
  size=$(stat -c %s "$1")
  [ "$size" = "$bytes" ] || { echo "bench: $1 has $size bytes, not $bytes" >&2; exit 1; }
  rm -f "$1"
}

echo "download: $mib MiB over loopback from the local test server, one run per client"
read -r q_s q_u q_y < <(measure qo "$tool" http 127.0.0.1 "$QO_HTTP_PORT" - "$object" "$work/qo.bin")
check_size "$work/qo.bin"
read -r c_s c_u c_y < <(measure curl curl -sS -o "$work/curl.bin" "http://127.0.0.1:$QO_HTTP_PORT/$object")
check_size "$work/curl.bin"

awk -v m="$mib" -v qs="$q_s" -v qu="$q_u" -v qy="$q_y" -v cs="$c_s" -v cu="$c_u" -v cy="$c_y" 'BEGIN {
  printf "qo_download %6.2f s %7.1f MiB/s  CPU %6.3f ms/MiB (user %.2f s, system %.2f s)\n", qs, m / qs, 1000 * (qu + qy) / m, qu, qy
  printf "curl -o     %6.2f s %7.1f MiB/s  CPU %6.3f ms/MiB (user %.2f s, system %.2f s)\n", cs, m / cs, 1000 * (cu + cy) / m, cu, cy
  if (cs > 0 && cu + cy > 0) printf "ratio qo_download/curl: time %.2f, CPU %.2f\n", qs / cs, (qu + qy) / (cu + cy)
  else print "ratio: curl was too fast to time" }'
