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
trap 'rm -rf "$work" "${shm:-}"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
chmod 755 "$work"
export MTOOLS_SKIP_CHECK=1 QUELIX_STEP_PAUSE_MS=0 SOURCE_DATE_EPOCH=1700000000

prog=$work/prog
"$source_dir/payload/assemble" "$prog" >/dev/null
cp "$wizard" "$prog/mediawizard"
# A second installation of the same payload: new inodes, new file times.
sleep 1
mkdir -p "$work/other"
cp -r "$prog" "$work/other/prog"

# The second build runs as another user where the test may switch users.
other_user=()
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null; then
  other_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
shm=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
mkdir -p "$work/a" "$work/b" "$work/c" "$work/home-a" "$work/home-b" "$work/tmp-a"
chmod 777 "$work/b" "$work/home-b" "$shm"

# build WHO PROG ARGS...: WHO is "a" (this user, temporary folder on disk) or
# "b" (the other user, temporary folder on tmpfs); prints the digest line.
build() {
  local who=$1 prog=$2; shift 2
  if [ "$who" = a ]; then
    HOME=$work/home-a XDG_CONFIG_HOME=$work/home-a TMPDIR=$work/tmp-a USER=alice LOGNAME=alice \
      "$prog/mediawizard" "$@" --print-digest </dev/null 2>"$work/err" | tail -n 1
  else
    HOME=$work/home-b XDG_CONFIG_HOME=$work/home-b TMPDIR=$shm USER=bob LOGNAME=bob \
      "${other_user[@]}" "$prog/mediawizard" "$@" --print-digest </dev/null 2>"$work/err" | tail -n 1
  fi
}
digest_of() { cut -d' ' -f1 <<<"$1"; }

# --- ISO: the same bytes from both builds, and the digest is sha256sum's.
iso_a=$(build a "$prog" --iso "$work/a/x.iso")
[ -s "$work/a/x.iso" ] || fail "first ISO build: $(cat "$work/err")"
sleep 1
iso_b=$(build b "$work/other/prog" --iso "$work/b/x.iso")
[ -s "$work/b/x.iso" ] || fail "second ISO build: $(cat "$work/err")"
[ "$(digest_of "$iso_a")" = "$(sha256sum "$work/a/x.iso" | cut -d' ' -f1)" ] ||
  fail "--print-digest is not the image's SHA-256: $iso_a"
[ "$(digest_of "$iso_a")" = "$(digest_of "$iso_b")" ] || fail "ISO images differ: $iso_a / $iso_b"
ls "$work/a" "$work/b" | grep -q QLX && fail "a work folder was left beside the image"

# --- One setting changed: another digest, and only the configuration differs.
iso_c=$(build a "$prog" --iso "$work/c/x.iso" --manual)
[ "$(digest_of "$iso_c")" != "$(digest_of "$iso_a")" ] || fail "--manual gave the same ISO image"
only_configuration_differs() {  # TREE-A TREE-B
  local changed
  changed=$({ diff -rq "$1" "$2" || true; } | sed -E "s#^Files $1/([^ ]*) and .*#\1#" | sort | tr '\n' ' ')
  case $changed in
    *wipe_config*quelix*|*quelix*wipe_config*) ;;
    *) fail "the setting did not change wipe_config and quelix: $changed" ;;
  esac
  for f in $changed; do
    case $f in
      wipe_config|quelix|welcome.txt|welcome.sparc.txt|tmp/policy.cfg) ;;
      *) fail "$f differs, which no setting makes" ;;
    esac
  done
}
for x in a c; do
  xorriso -osirrox on -indev "$work/$x/x.iso" -extract / "$work/$x/tree" >/dev/null 2>&1
done
only_configuration_differs "$work/a/tree" "$work/c/tree"

# --- Every date in the image is the epoch's (2023-11-14 22:13:20 UTC).
isoinfo -R -l -i "$work/a/x.iso" >"$work/isoinfo.txt"
entries=$(grep -cE '^[-d]' "$work/isoinfo.txt")
[ "$entries" -gt 20 ] || fail "isoinfo listed $entries entries"
dated=$(grep -E '^[-d]' "$work/isoinfo.txt" | grep -cE ' Nov 14 2023 ' || true)
[ "$dated" -eq "$entries" ] || fail "dates other than the epoch's: $(grep -E '^[-d]' "$work/isoinfo.txt" | grep -vE ' Nov 14 2023 ')"
xorriso -indev "$work/a/x.iso" -pvd_info 2>/dev/null >"$work/pvd.txt"
for field in 'Creation Time' 'Modif. Time'; do
  grep -qE "^$field *: 2023111422132000" "$work/pvd.txt" || fail "$field: $(cat "$work/pvd.txt")"
done
TZ=UTC cpio -itv --quiet <"$work/a/tree/quelix" >"$work/cpio.txt"
[ "$(grep -cv 'Nov 14  2023' "$work/cpio.txt")" -eq 0 ] || fail "archive member dates: $(cat "$work/cpio.txt")"

# --- USB image files of 256 MiB: the same.
for x in a b c; do truncate -s 256M "$work/$x/usb.img"; done
chmod 666 "$work/b/usb.img"
usb_a=$(build a "$prog" --usb "$work/a/usb.img" --yes)
usb_b=$(build b "$work/other/prog" --usb "$work/b/usb.img" --yes)
[ "$(digest_of "$usb_a")" = "$(sha256sum "$work/a/usb.img" | cut -d' ' -f1)" ] ||
  fail "--print-digest is not the USB image's SHA-256: $usb_a ($(cat "$work/err"))"
[ "$(digest_of "$usb_a")" = "$(digest_of "$usb_b")" ] || fail "USB images differ: $usb_a / $usb_b"
usb_c=$(build a "$prog" --usb "$work/c/usb.img" --yes --manual)
[ "$(digest_of "$usb_c")" != "$(digest_of "$usb_a")" ] || fail "--manual gave the same USB image"
for x in a c; do
  mkdir -p "$work/$x/volume"
  mcopy -s -n -i "$work/$x/usb.img@@32256" '::/*' "$work/$x/volume/"
done
only_configuration_differs "$work/a/volume" "$work/c/volume"
TZ=UTC mdir -/ -a -i "$work/a/usb.img@@32256" ::/ >"$work/mdir.txt"
files=$(grep -cE ' [0-9]{4}-[0-9]{2}-[0-9]{2} ' "$work/mdir.txt")
[ "$files" -gt 15 ] || fail "mdir listed $files entries"
[ "$(grep -cE ' 2023-11-14  22:13' "$work/mdir.txt")" -eq "$files" ] ||
  fail "USB dates other than the epoch's: $(grep -E ' [0-9]{4}-' "$work/mdir.txt" | grep -v '2023-11-14  22:13')"
# The medium can be checked later without a build.
[ "$(HOME=$work/home-a "$prog/mediawizard" --print-digest "$work/b/usb.img")" = "$(digest_of "$usb_a")  $work/b/usb.img" ] ||
  fail "--print-digest TARGET disagrees"

# --- --reproducible alone: the newest payload file's time.
newest=$(find "$prog/common" "$prog/iso" "$prog/boot" "$prog/flash" "$prog/schemes" "$prog/mbr.bin" \
  -type f -printf '%T@\n' | cut -d. -f1 | sort -n | tail -n 1)
(unset SOURCE_DATE_EPOCH; build a "$prog" --iso "$work/c/r.iso" --reproducible >/dev/null)
xorriso -indev "$work/c/r.iso" -pvd_info 2>/dev/null | grep -qE "^Creation Time *: $(TZ=UTC date -d "@$newest" +%Y%m%d%H%M%S)00" ||
  fail "--reproducible: the volume date is not the newest payload file's ($newest)"
echo "PASS"
