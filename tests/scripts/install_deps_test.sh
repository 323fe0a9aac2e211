#!/usr/bin/env bash
# scripts/install-deps against a stand-in apt-get, dpkg and dpkg-query on PATH:
# a package mirror whose i386 index fails to download, a required package that
# cannot be installed, the Linux set alone, and a machine that has everything.
set -uo pipefail
script=${1:?usage: install_deps_test.sh SOURCE_DIR}/scripts/install-deps
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin=$work/bin
mkdir -p "$bin"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The stand-ins log every call to $work/calls. INSTALLED=all makes dpkg-query
# report every package present; INSTALL_FAILS lists packages apt cannot install.
cat > "$bin/apt-get" <<'STAND'
#!/bin/bash
echo "apt-get $*" >> "$WORK/calls"
case $1 in
  update)
    echo "E: Failed to fetch http://mirror.invalid/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (1 != 2). Mirror sync in progress?" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
    exit 100 ;;
  install)
    for p in "$@"; do
      for bad in $INSTALL_FAILS; do
        [ "$p" = "$bad" ] && { echo "E: Package '$p' has no installation candidate" >&2; exit 100; }
      done
    done
    exit 0 ;;
esac
STAND
cat > "$bin/dpkg-query" <<'STAND'
#!/bin/bash
[ "$INSTALLED" = all ] && { printf 'install ok installed'; exit 0; }
exit 1
STAND
cat > "$bin/dpkg" <<'STAND'
#!/bin/bash
echo "dpkg $*" >> "$WORK/calls"
[ "$1" = --print-foreign-architectures ] && [ -f "$WORK/i386" ] && echo i386
[ "$1" = --add-architecture ] && touch "$WORK/i386"
exit 0
STAND
printf '#!/bin/sh\necho 0\n' > "$bin/id"
chmod +x "$bin"/*

run() {  # run NAME INSTALLED INSTALL_FAILS ARGS...
  local name=$1 installed=$2 fails=$3; shift 3
  rm -f "$work/calls" "$work/i386"
  WORK=$work INSTALLED=$installed INSTALL_FAILS=$fails QO_APT_RETRY_DELAY=0 PATH="$bin:$PATH" \
    bash "$script" "$@" >"$work/$name.out" 2>&1
  echo $? > "$work/$name.rc"
}
has() { grep -qF -- "$2" "$work/$1.out" || fail "$1: output lacks '$2'"; }
calls() { [ -f "$work/calls" ] || { echo 0; return; }; grep -cF -- "$1" "$work/calls" || true; }

# A broken i386 index: the update is retried, the failing index named, the
# required packages installed, and 32-bit Wine given up in one line.
run broken "" "wine32:i386"
[ "$(cat "$work/broken.rc")" = 0 ] || fail "broken index: exit $(cat "$work/broken.rc")"
[ "$(calls 'apt-get update')" -ge 3 ] || fail "broken index: apt-get update not retried"
has broken "binary-i386/Packages.xz"
has broken "wine32:i386 cannot be installed here"
has broken "install-deps: done"
grep -q "apt-get install .*g++-mingw-w64-i686-posix" "$work/calls" || fail "broken index: Windows set not installed"

# A required package that cannot be installed ends the script with a clear message.
run required "" "genisoimage"
[ "$(cat "$work/required.rc")" = 1 ] || fail "required: exit $(cat "$work/required.rc"), not 1"
has required "could not install the required packages"

# The Linux set alone: no mingw-w64, no Wine, no i386 architecture.
run linux "" "" linux
[ "$(cat "$work/linux.rc")" = 0 ] || fail "linux set: exit $(cat "$work/linux.rc")"
grep -qE "mingw|wine" "$work/calls" && fail "linux set: Windows packages requested"
grep -q "apt-get install .*genisoimage" "$work/calls" || fail "linux set: genisoimage not installed"
[ "$(calls 'add-architecture')" = 0 ] || fail "linux set: i386 architecture added"

# Everything present: apt is not consulted at all.
run present all "" linux
[ "$(cat "$work/present.rc")" = 0 ] || fail "all present: exit $(cat "$work/present.rc")"
[ "$(calls 'apt-get')" = 0 ] || fail "all present: apt-get called"

# An unknown set is a usage error.
run usage "" "" bogus
[ "$(cat "$work/usage.rc")" = 64 ] || fail "unknown set: exit $(cat "$work/usage.rc"), not 64"

if [ "$failures" -gt 0 ]; then
  for f in "$work"/*.out; do echo "--- $f"; cat "$f"; done
  exit 1
fi
echo "install-deps: every case passed"
