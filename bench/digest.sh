#!/usr/bin/env bash
# Benchmark: SHA-512 and MD5 of a 1 GiB file as the updater computes them
# (qo_digest, built by the linux preset: the same streaming code and
# libcrypto) against sha512sum / md5sum and `openssl dgst`, one run each on a
# file already in the page cache. Prints the times, the ratios and the peak
# memory of each, and checks that all three agree on the digest.
# Usage: bench/digest.sh [QO_DIGEST] [SIZE_MIB]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
tool=${1:-$here/build/linux/updater/verify/qo_digest}
mib=${2:-1024}
[ -x "$tool" ] || { echo "bench: build the linux preset first ($tool missing)" >&2; exit 1; }
command -v /usr/bin/time >/dev/null || { echo "bench: /usr/bin/time is missing" >&2; exit 1; }
command -v openssl >/dev/null || { echo "bench: openssl is missing" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

file="$work/data.bin"
head -c "$((mib * 1024 * 1024))" /dev/urandom > "$file"
cat "$file" > /dev/null  # into the page cache, so every tool reads from memory

# measure NAME command...: one run; prints "seconds KiB digest"
measure() {
  local name=$1
  shift
  /usr/bin/time -f '%e %M' -o "$work/$name.time" "$@" > "$work/$name.out" 2>/dev/null
  local digest
  digest=$(tr 'A-F' 'a-f' < "$work/$name.out" | grep -Eo '[0-9a-f]{32,128}' | head -1)
  echo "$(cat "$work/$name.time") $digest"
}

echo "file: $mib MiB of random bytes, one run per tool"
for alg in sha512 md5; do
  read -r q_s q_kb q_d < <(measure "qo-$alg" "$tool" "$alg" "$file")
  read -r c_s c_kb c_d < <(measure "sum-$alg" "${alg}sum" "$file")
  read -r o_s o_kb o_d < <(measure "openssl-$alg" openssl dgst "-$alg" "$file")
  if [ "$q_d" != "$c_d" ] || [ "$q_d" != "$o_d" ]; then
    echo "bench: $alg digests disagree: qo_digest $q_d, ${alg}sum $c_d, openssl $o_d" >&2
    exit 1
  fi
  printf '%-6s qo_digest %6.2f s peak %6d KiB | %-9s %6.2f s peak %6d KiB | openssl dgst %6.2f s peak %6d KiB\n' \
    "$alg" "$q_s" "$q_kb" "${alg}sum" "$c_s" "$c_kb" "$o_s" "$o_kb"
  awk -v q="$q_s" -v c="$c_s" -v o="$o_s" -v a="$alg" 'BEGIN {
    if (c > 0 && o > 0) printf "%-6s ratio qo_digest/%ssum %.2f, qo_digest/openssl %.2f\n", a, a, q / c, q / o
    else print a " ratio: a tool was too fast to time" }'
done
