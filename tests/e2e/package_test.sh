#!/usr/bin/env bash
# The Debian package and the Linux product installer, installed on this
# machine for real (as root; CI runs on a fresh machine). Packages of two
# releases are made by CPack from the build and the demo payload: release N
# (the programs' version) and N+1. lintian checks N. The signed installer of
# N+1 is started as a user and as the update program start it (by its name,
# through /dev/fd/N of the signed file, and from a sealed memory copy of the
# signed content), a damaged one refuses. N is installed with dpkg; the
# installed programs run, systemd-analyze accepts the units and the timer is
# enabled. `Renovo auto` from the package then updates to N+1 from a local
# site (in a private network namespace): dpkg's version changes and the timer
# stays enabled. Removal leaves only configuration, purge leaves nothing
# (file lists compared with those before the installation).
#
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
package=quelix-omnisweep
timer=quelix-omnisweep-update.timer
setup=QuelixOmnisweepSetup.run
folder=/usr/lib/$package

# The update step, inside a private network namespace: the site on
# 127.0.0.1:8080, where the package's renovo.cfg looks.
if [ "${1:-}" = --update ]; then
  work=$2
  ip link set lo up
  python3 -m http.server 8080 --bind 127.0.0.1 --directory "$work/www" 2>"$work/server.log" >/dev/null &
  server=$!
  trap 'kill $server' EXIT
  for _ in $(seq 300); do
    curl -sf -o /dev/null http://127.0.0.1:8080/ && break
    sleep 0.1
  done
  export XDG_CONFIG_HOME=$work/config TMPDIR=$work/tmp SSL_CERT_FILE=$work/signer/ca.crt
  /usr/bin/Renovo --versions >"$work/versions.out" 2>&1 || true
  set +e
  /usr/bin/Renovo auto </dev/null >"$work/auto.out" 2>&1
  echo $? >"$work/auto.rc"
  exit 0
fi

[ "$(id -u)" -eq 0 ] || { echo "SKIP: installs a package for real, so it runs as root"; exit 77; }
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
  if dpkg-query --show "$package" >/dev/null 2>&1; then dpkg --purge "$package" >/dev/null 2>&1; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  for f in out auto.out versions.out server.log; do
    [ -f "$work/$f" ] && sed "s/^/  $f: /" "$work/$f" >&2
  done
  exit 1
}
status() { dpkg-query --show --showformat='${Status} ${Version}' "$package" 2>/dev/null || true; }
# Everything of the system a package may leave behind, without the package
# tools' own state.
files() {
  { find /etc /usr /opt /var/lib /var/cache/Korvane -xdev \
      \( -path /var/lib/apt -o -path /var/lib/dpkg \) -prune -o -printf '%y %p\n' 2>/dev/null ||
      true; } | LC_ALL=C sort
}

# Packages N and N+1.
"$source_dir/payload/assemble" "$work/payload" >/dev/null
release=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
next=${release%.*}.$((${release##*.} + 1))
for v in "$release" "$next"; do
  cpack --config "$build/CPackConfig.cmake" -B "$work/cpack-$v" -D QO_PAYLOAD_DIR="$work/payload" \
    -D CPACK_PACKAGE_VERSION="$v" >"$work/out" 2>&1 || fail "cpack $v"
done
deb=$work/cpack-$release/${package}_${release}_amd64.deb
deb_next=$work/cpack-$next/${package}_${next}_amd64.deb
lintian --fail-on error,warning "$deb" >"$work/out" 2>&1 || fail "lintian"

# The installer of N+1, signed as the site publishes it.
"$source_dir/scripts/demo-signer" "$work/signer"
"$source_dir/packaging/linux/make-installer" "$deb_next" "$work/unsigned.run"
"$source_dir/scripts/sign-appended" --cert "$work/signer/cs.crt" --key "$work/signer/cs.key" \
  --chain "$work/signer/ca.crt" "$work/unsigned.run" "$work/$setup"
cp "$work/unsigned.run" "$work/damaged.run"
printf 'X' | dd of="$work/damaged.run" bs=1 seek=$(($(stat -c %s "$work/damaged.run") - 4000)) \
  conv=notrunc status=none

# How it starts: by name, through its descriptor (both names of it), from the
# sealed copy of the signed content; without -H it asks (here answered No);
# nothing installs.
while read -r how file args answer expected; do
  [ "$args" = - ] && args=
  set +e
  echo "$answer" | "$source_dir/tests/e2e/run_from_fd.py" "$how" "$work/$file" $args >"$work/out" 2>&1
  rc=$?
  set -e
  [ "$rc" -eq "$expected" ] || fail "installer $how $file '$args': exit $rc, expected $expected"
  [ -z "$(status)" ] || fail "installer $how $file '$args' installed the package"
done <<EOF
fd $setup --help - 0
fd $setup - n 4
proc $setup - n 4
memfd $setup - n 4
memfd $setup -Z - 64
fd damaged.run -H - 8
EOF
grep -q "Install now?" <(echo n | "$work/$setup" 2>&1) || fail "the installer did not ask"

# Release N from the package itself.
files >"$work/before"
dpkg --install "$deb" >"$work/out" 2>&1 || apt-get --fix-broken --yes install >>"$work/out" 2>&1 ||
  fail "dpkg --install"
[ "$(status)" = "install ok installed $release" ] || fail "installed: $(status)"
/usr/bin/mediawizard -v >"$work/out" 2>&1 || fail "mediawizard -v"
grep -qx "Version $release" "$work/out" || fail "mediawizard -v: no version"
systemd-analyze verify "/lib/systemd/system/$timer" \
  "/lib/systemd/system/${timer%.timer}.service" >"$work/out" 2>&1 || fail "systemd-analyze verify"
[ ! -s "$work/out" ] || fail "systemd-analyze verify complained"
[ "$(systemctl --root=/ is-enabled "$timer")" = enabled ] || fail "the timer is not enabled"

# The update through Renovo itself.
mkdir -p "$work/www/quelix/update" "$work/config/Korvane" "$work/tmp" "$work/downloads"
chmod 700 "$work/tmp" "$work/downloads"
cp "$work/$setup" "$work/www/quelix/update/"
"$source_dir/packaging/describe-release" "$next" "$release" "$setup" "$work/$setup" \
  >"$work/www/quelix/update/omnisweep.ver"
python3 "$source_dir/tests/e2e/renovo_store.py" "$work/config/Korvane/registry.reg" write \
  --period 0 --last-check 0 --confirm 0 --folder "$work/downloads"
unshare --net bash "$0" --update "$work"
grep -Eq "^< +Quelix Omnisweep\.exe +$release +$next " "$work/versions.out" ||
  fail "Renovo --versions does not list $release against $next"
[ "$(cat "$work/auto.rc")" -eq 1 ] || fail "Renovo auto ended with $(cat "$work/auto.rc")"
grep -q "GET /quelix/update/$setup " "$work/server.log" || fail "the installer was not downloaded"
[ "$(status)" = "install ok installed $next" ] || fail "after the update: $(status)"
grep -q "^QO-$next" "$folder/omnisweep.ver" || fail "the installed description is not N+1's"
[ "$(systemctl --root=/ is-enabled "$timer")" = enabled ] || fail "the update disabled the timer"

# Removal keeps only configuration and state; purge leaves nothing.
dpkg --remove "$package" >"$work/out" 2>&1 || fail "dpkg --remove"
files >"$work/removed"
left=$(comm -13 "$work/before" "$work/removed" | grep -Ev '^. (/etc/|/var/lib/systemd/)' || true)
[ -z "$left" ] || fail "removal left: $left"
dpkg --purge "$package" >"$work/out" 2>&1 || fail "dpkg --purge"
files >"$work/purged"
left=$(comm -13 "$work/before" "$work/purged")
[ -z "$left" ] || fail "purge left: $left"
echo PASS
