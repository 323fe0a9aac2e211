#!/usr/bin/env bash
# The wizard's command line as a user runs it from an installed program folder:
# --list-schemes, --write-config with non-default settings, checked with real
# readers (GNU cpio, bsdtar, the shell, python's json), and usage errors.
# Usage: cli_write_config_test.sh MEDIAWIZARD SOURCE_DIR
set -euo pipefail
wizard=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prog="$work/program folder"
mkdir -p "$prog"
cp "$wizard" "$prog/mediawizard"
cp -r "$source_dir/payload/schemes" "$prog/schemes"
export XDG_CONFIG_HOME="$work/config"
store="$XDG_CONFIG_HOME/Korvane/registry.reg"

# The catalogue: one tab-separated line per scheme file, indices in order.
"$prog/mediawizard" --list-schemes > "$work/schemes.txt"
count=$(ls "$prog/schemes"/*.sch | wc -l)
[ "$(wc -l < "$work/schemes.txt")" -eq "$count" ] || fail "list has not $count lines"
awk -F'\t' 'NF != 5 || $1 != NR - 1 || $4 < 1 { exit 1 }' "$work/schemes.txt" ||
  fail "malformed scheme list: $(cat "$work/schemes.txt")"
[ ! -e "$store" ] || fail "listing schemes wrote the settings store"

# Usage errors: exit 64, one line, nothing written.
set +e
"$prog/mediawizard" --verify hdd --scheme hdd=nonsense --write-config "$work/bad" 2> "$work/err"
rc=$?
set -e
[ "$rc" -eq 64 ] || fail "a bad scheme gave exit $rc, not 64"
[ "$(wc -l < "$work/err")" -eq 1 ] || fail "usage error is not one line: $(cat "$work/err")"
[ ! -e "$work/bad" ] && [ ! -e "$store" ] || fail "a refused command line wrote something"

# A configuration with a share, a password full of shell characters and custom options.
password='p"a$s `w` '"'"'q'"'"' \ ;x'
printf '%s\n' "$password" > "$work/pw"
last=$(tail -1 "$work/schemes.txt" | cut -f3)
"$prog/mediawizard" --manual --lock-settings --no-delay --log-usb \
  --log-share '//srv/wipe logs' --share-user 'CORP\admin' --share-password-file "$work/pw" \
  --scheme "hdd=$last" --verify hdd,ssd --reset-hpa --no-ata-erase \
  --write-config "$work/out"
for f in welcome.txt wipe_config tmp/policy.cfg quelix; do
  [ -s "$work/out/$f" ] || fail "$f missing"
done
[ "$(ls "$work/out/tmp/schemes" | wc -l)" -eq "$count" ] || fail "scheme files not copied"
grep -q '"SchemeHdd"=dword' "$store" || fail "wiping options were not stored"
if grep -qi 'pass' "$store"; then fail "the password reached the settings store"; fi

# CR LF in the files; sourcing wipe_config gives back the original values.
grep -q $'\r$' "$work/out/wipe_config" || fail "wipe_config has no CR LF line ends"
tr -d '\r' < "$work/out/wipe_config" > "$work/wipe_config.lf"
env -i sh -c '. "$1"; printf "%s|%s|%s|%s|%s|%s" "$USE_SHELL" "$WIPE_ALL_DISKS" "$NET_SHARE" "$NET_USER" "$LOCK_PRESET" "$NET_PASS"' \
  _ "$work/wipe_config.lf" > "$work/sourced"
expected="y|n|//srv/wipe logs|CORP/admin|y|$password"
[ "$(cat "$work/sourced")" = "$expected" ] || fail "sourced wipe_config gives '$(cat "$work/sourced")'"

# policy.cfg is JSON with the chosen options.
python3 - "$work/out/tmp/policy.cfg" "${last%.*}" <<'PY'
import json, sys
p = json.load(open(sys.argv[1], encoding="cp1252"))["wipePolicies"][0]
assert p["hdd"]["wipeScheme"]["name"] == sys.argv[2], p["hdd"]
assert p["hdd"]["verification"] and p["ssd"]["verification"] and not p["sshd"]["verification"]
assert p["hdd"]["resetHpa"] and not p["removable"]["resetHpa"]
assert not p["hdd"]["ataErase"]
PY

# The archive: GNU cpio and bsdtar read the same members and data.
cpio -it --quiet < "$work/out/quelix" > "$work/members"
bsdtar -tf "$work/out/quelix" | diff - "$work/members" || fail "bsdtar and cpio disagree"
grep -qx 'tmp/policy.cfg' "$work/members" && grep -qx 'wipe_config' "$work/members" ||
  fail "archive members: $(cat "$work/members")"
mkdir "$work/unpacked"
(cd "$work/unpacked" && cpio -id --quiet < "$work/out/quelix")
cmp "$work/unpacked/tmp/policy.cfg" "$work/out/tmp/policy.cfg" || fail "policy.cfg differs in the archive"
cmp "$work/unpacked/wipe_config" "$work/wipe_config.lf" || fail "wipe_config member is not the LF text"
for f in "$prog/schemes"/*.sch; do
  cmp "$f" "$work/unpacked/tmp/scheme/$(basename "$f")" || fail "scheme $(basename "$f") differs"
done
echo "PASS"
