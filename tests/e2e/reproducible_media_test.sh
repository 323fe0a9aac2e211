#!/usr/bin/env bash
# Reproducible media with `mediawizard --iso` and `--usb IMAGE`: two builds of
# the same settings and payload, at different times, in different work and
# temporary folders (one on tmpfs), by different users (root and nobody when
# run as root), from two installations of the payload with different file
# times and inodes, give the same bytes and the same --print-digest; one
# setting changed changes the digest and, as the extracted trees show, only
# the configuration files; every date on the media is SOURCE_DATE_EPOCH
# (isoinfo, xorriso, mdir, cpio), and --reproducible takes the newest payload
# file's time.
# Usage: reproducible_media_test.sh MEDIAWIZARD SOURCE_DIR
set -euo pipefail
wizard=${1:?mediawizard}
source_dir=${2:?source dir}
work=$(mktemp -d)
shm=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work" "$shm"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export MTOOLS_SKIP_CHECK=1 QUELIX_STEP_PAUSE_MS=0 SOURCE_DATE_EPOCH=1700000000

prog=$work/prog
"$source_dir/payload/assemble" "$prog" >/dev/null
cp "$wizard" "$prog/mediawizard"
sleep 1  # a second installation of the same payload: new inodes, new file times
mkdir -p "$work/other" "$work/a" "$work/b" "$work/c" "$work/home-a" "$work/home-b" "$work/tmp-a"
cp -r "$prog" "$work/other/prog"
chmod 755 "$work"
chmod 777 "$work/b" "$work/home-b" "$shm"
other_user=()
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null; then
  other_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi

# build WHO ARGS...: "a" is this user from the first installation with a
# temporary folder on disk, "b" the other user from the second one with a
# temporary folder on tmpfs and another time zone; prints the digest line.
build() {
  if [ "$1" = a ]; then
    shift
    HOME=$work/home-a XDG_CONFIG_HOME=$work/home-a TMPDIR=$work/tmp-a USER=alice \
      "$prog/mediawizard" "$@" --print-digest </dev/null 2>"$work/err" | tail -n 1
  else
    shift
    HOME=$work/home-b XDG_CONFIG_HOME=$work/home-b TMPDIR=$shm USER=bob TZ=EST5EDT \
      "${other_user[@]}" "$work/other/prog/mediawizard" "$@" --print-digest </dev/null 2>"$work/err" |
      tail -n 1
  fi
}
digest() { cut -d' ' -f1 <<<"$1"; }

# same_medium FILE ARGS...: builds $work/{a,b,c}/FILE (c with --manual) with
# ARGS, "%" standing for the medium's path; a and b must agree, c must not,
# and only the configuration files may differ between the trees of a and c
# that extract FILE TREE lays out.
same_medium() {
  local file=$1 a b c x changed
  shift
  a=$(build a "${@//%/$work/a/$file}")
  [ "$(digest "$a")" = "$(sha256sum "$work/a/$file" | cut -d' ' -f1)" ] ||
    fail "$file: --print-digest is not sha256sum's: $a ($(cat "$work/err"))"
  sleep 1
  b=$(build b "${@//%/$work/b/$file}")
  [ "$(digest "$a")" = "$(digest "$b")" ] || fail "$file: the two builds differ: $a / $b"
  c=$(build a "${@//%/$work/c/$file}" --manual)
  [ "$(digest "$c")" != "$(digest "$a")" ] || fail "$file: --manual gave the same medium"
  for x in a c; do extract "$work/$x/$file" "$work/$x/$file.tree"; done
  changed=$({ diff -rq "$work/a/$file.tree" "$work/c/$file.tree" || true; } |
    sed -E "s#^Files $work/a/$file.tree/([^ ]*) and .*#\1#" | sort | tr '\n' ' ')
  [ "$changed" = "quelix wipe_config " ] || fail "$file: --manual changed: $changed"
}

extract() { xorriso -osirrox on -indev "$1" -extract / "$2" >/dev/null 2>&1; }
same_medium x.iso --iso %
ls "$work/a" "$work/b" | grep -q QLX && fail "a work folder was left beside the image"

# Every date in the image is the epoch's (2023-11-14 22:13:20 UTC).
isoinfo -R -l -i "$work/a/x.iso" | grep -E '^[-d]' >"$work/isoinfo.txt"
[ "$(wc -l <"$work/isoinfo.txt")" -gt 20 ] || fail "isoinfo listed too little: $(cat "$work/isoinfo.txt")"
grep -v ' Nov 14 2023 ' "$work/isoinfo.txt" && fail "ISO dates other than the epoch's"
xorriso -indev "$work/a/x.iso" -pvd_info 2>/dev/null >"$work/pvd.txt"
[ "$(grep -cE '^(Creation|Modif\.) Time *: 2023111422132000' "$work/pvd.txt")" -eq 2 ] ||
  fail "volume dates: $(cat "$work/pvd.txt")"
TZ=UTC cpio -itv --quiet <"$work/a/x.iso.tree/quelix" | grep -v 'Nov 14  2023' && fail "archive member dates"

# USB image files of 256 MiB: the same, with their dates in the FAT directories.
for x in a b c; do truncate -s 256M "$work/$x/usb.img"; done
chmod 666 "$work/b/usb.img"
extract() { mkdir -p "$2" && mcopy -s -n -i "$1@@32256" '::/*' "$2/"; }
same_medium usb.img --usb % --yes
TZ=UTC mdir -/ -a -i "$work/a/usb.img@@32256" ::/ | grep -E ' [0-9]{4}-[0-9]{2}-' >"$work/mdir.txt"
[ "$(wc -l <"$work/mdir.txt")" -gt 15 ] || fail "mdir listed too little: $(cat "$work/mdir.txt")"
grep -v ' 2023-11-14  22:13' "$work/mdir.txt" && fail "USB dates other than the epoch's"
# A medium is checked later without a build.
[ "$("$prog/mediawizard" --print-digest "$work/b/usb.img")" = "$(sha256sum "$work/a/usb.img" | sed "s#$work/a#$work/b#")" ] ||
  fail "--print-digest TARGET disagrees with sha256sum"

# --reproducible alone: the newest payload file's time.
newest=$(find "$prog/common" "$prog/iso" "$prog/boot" "$prog/flash" "$prog/schemes" "$prog/mbr.bin" \
  -type f -printf '%T@\n' | cut -d. -f1 | sort -n | tail -n 1)
(unset SOURCE_DATE_EPOCH; build a --iso "$work/c/r.iso" --reproducible >/dev/null)
xorriso -indev "$work/c/r.iso" -pvd_info 2>/dev/null |
  grep -qE "^Creation Time *: $(TZ=UTC date -d "@$newest" +%Y%m%d%H%M%S)00" ||
  fail "--reproducible: the volume date is not the newest payload file's ($newest)"
echo "PASS"
