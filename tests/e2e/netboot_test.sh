#!/usr/bin/env bash
# `mediawizard --netboot` from the demo payload, in a private network namespace:
# a folder the user cannot write is refused; the tree's configuration is byte
# for byte an ISO image's with the same options (archive time stamps aside);
# dnsmasq, started by the printed line from the written dnsmasq.conf, answers
# as proxy DHCP beside a plain DHCP server and boots a BIOS client and a UEFI
# client that enforces Secure Boot; qemu's own TFTP boots a plain UEFI client
# whose boot file comes from a sub-folder.
# Usage: netboot_test.sh MEDIAWIZARD SOURCE_DIR
set -euo pipefail
wizard=${1:?mediawizard}
source_dir=${2:?source dir}
fail() { echo "FAIL: $*" >&2; exit 1; }
# The payload is fetched first; then the test runs in a private network
# namespace (its own tap device, DHCP and TFTP servers, share lookups).
if [ -z "${QO_NETBOOT_WORK:-}" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  # dnsmasq serves the files as user nobody, who also runs the refused build.
  chmod 755 "$work"
  "$source_dir/payload/assemble" "$work/prog" >/dev/null
  QO_NETBOOT_WORK=$work unshare --net bash "$0" "$@"
  exit
fi
work=$QO_NETBOOT_WORK
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
export QUELIX_STEP_PAUSE_MS=0
prog=$work/prog
cp "$wizard" "$prog/mediawizard"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME"
echo 'pa55word' > "$work/password"
zero=$("$prog/mediawizard" --list-schemes | awk -F'\t' '$3 == "zero_fill.sch" { print $1 }')
[ -n "$zero" ] || fail "schemes not listed"

# --- A folder the user cannot write is refused (exit 64, one clear line)
# before anything is written; the other refusals are the unit test's.
mkdir -m 755 "$work/locked"
for folder in "$work/locked" "$work/locked/tree"; do
  setpriv --reuid=65534 --regid=65534 --clear-groups -- "$prog/mediawizard" --netboot "$folder" \
    >"$work/refused.out" 2>&1 && rc=0 || rc=$?
  [ "$rc" -eq 64 ] && grep -Eq "cannot (write in|create) the folder '$folder'" "$work/refused.out" ||
    fail "$folder: exit $rc: $(cat "$work/refused.out")"
done
[ -z "$(ls -A "$work/locked")" ] || fail "the refused folder was written"

# --- The tree. Its name holds a blank, a comma and '#', which dnsmasq.conf
# must quote.
tree="$work/net boot,#1"
options=(--reproducible --manual --no-delay --log-share '\\logsrv\wipelogs' --share-user 'CORP\wiper' --yes
         --share-password-file "$work/password" --verify hdd,removable --scheme "hdd=$zero"
         --reset-hpa --lock-settings)
"$prog/mediawizard" "${options[@]}" --netboot "$tree" --proxy-dhcp 192.168.77.0 \
  >"$work/build.out" 2>&1 || fail "build failed: $(cat "$work/build.out")"
grep -q 'continue with these settings for network share? \[y/N\] yes (--yes)$' "$work/build.out" ||
  fail "the log share was not checked before the build"
grep -q '^\[100%\] Finished.$' "$work/build.out" || fail "no Finished step"
start=$(sed -n 's/^To start the network boot server: //p' "$work/build.out")
[[ $start == "dnsmasq --conf-file='$tree/dnsmasq.conf' --interface=IFACE" ]] ||
  fail "start line: $start"

# --- The same configuration as an ISO image built with the same options.
"$prog/mediawizard" "${options[@]}" --iso "$work/same.iso" >/dev/null 2>&1 || fail "ISO not built"
mkdir "$work/iso"
xorriso -osirrox on -indev "$work/same.iso" -extract /quelix "$work/iso/quelix" \
  -extract /wipe_config "$work/iso/wipe_config" -extract /welcome.txt "$work/iso/welcome.txt" \
  -extract /tmp "$work/iso/tmp" >/dev/null 2>&1 || fail "cannot read the ISO image"
for f in wipe_config welcome.txt; do cmp "$tree/$f" "$work/iso/$f" || fail "$f differs from the ISO's"; done
diff -r "$tree/tmp" "$work/iso/tmp" || fail "tmp/ differs from the ISO's"
cmp "$tree/quelix" "$work/iso/quelix" || fail "the archive differs from the ISO's"

# --- Boots. The environment must show the configuration of the tree.
. "$source_dir/tests/e2e/boot_lib.sh"
check_environment() {  # LOG
  sed -i 's/\x1b\[[0-9;=?]*[a-zA-Z]//g' "$work/$1.log"  # GRUB's terminal codes
  expect "$1" '^QUELIX-ENV: start$'
  sed -n '/^--- \/wipe_config$/,/^--- end of \/wipe_config$/p' "$work/$1.log" | sed '1d;$d' |
    diff - <(tr -d '\r' <"$tree/wipe_config") || fail "$1: the environment received another wipe_config"
  expect "$1" '^class hdd: scheme=zero_fill verify=true resetHpa=true '
  expect "$1" '^QUELIX-ENV: done$'
}

# The clients' network: a tap device; a plain DHCP server stands for the
# network's own (with router advertisements: without them the BIOS client's
# iPXE waits 15 s for IPv6), and dnsmasq runs as the wizard said, with IFACE
# filled in.
ip link set lo up
ip tuntap add tap0 mode tap
ip addr add 192.168.77.1/24 dev tap0
ip -6 addr add fd00:77::1/64 dev tap0 nodad
ip link set tap0 up
dnsmasq --keep-in-foreground --conf-file=/dev/null --port=0 --bind-interfaces --interface=tap0 \
  --dhcp-range=192.168.77.100,192.168.77.150 --enable-ra --dhcp-range=::,constructor:tap0,ra-only \
  --dhcp-leasefile="$work/leases" --pid-file= --log-facility=- 2>"$work/site.log" &
pids+=($!)
eval "exec ${start/IFACE/tap0} --keep-in-foreground --pid-file= --log-facility=-" 2>"$work/pxe.log" &
pids+=($!)
for _ in $(seq 50); do grep -q 'TFTP root is' "$work/pxe.log" && break; sleep 0.1; done
grep -qF "TFTP root is $tree" "$work/pxe.log" || fail "dnsmasq did not start: $(cat "$work/pxe.log")"
tap=(-netdev tap,id=n0,ifname=tap0,script=no,downscript=no)

boot bios -boot n "${tap[@]}" -device e1000,netdev=n0 -option-rom /usr/lib/ipxe/qemu/pxe-e1000.rom
check_environment bios
expect bios '^firmware: bios$'

# shellcheck disable=SC2046 # the helpers print argument lists
boot secure $(secure_boot) $(uefi_firmware OVMF_CODE_4M.secboot.fd OVMF_VARS_4M.ms.fd) \
  "${tap[@]}" -device virtio-net-pci,netdev=n0,romfile=
check_environment secure
expect secure '^firmware: uefi$'
expect secure '^secure boot: on$'

# Proxy DHCP: the addresses came from the other server, the boot files from ours.
for f in pxelinux.0 pxelinux.cfg/default vmlinuz quelix bootx64.efi grubx64.efi grub/grub.cfg; do
  grep -qF "sent $tree/$f to 192.168.77." "$work/pxe.log" || fail "dnsmasq did not serve $f"
done
grep -q 'PXE(tap0) .* proxy$' "$work/pxe.log" || fail "dnsmasq did not answer as proxy DHCP"
grep -q 'DHCPACK' "$work/pxe.log" && fail "dnsmasq handed out an address"
grep -q 'DHCPACK(tap0) 192.168.77.1[0-9][0-9]' "$work/site.log" || fail "no address from the DHCP server"

# The network GRUB reads grub/grub.cfg of the TFTP root whatever the folder
# the boot file came from: here the UEFI loaders are served from a sub-folder.
mkdir "$tree/uefi"
cp "$tree/bootx64.efi" "$tree/grubx64.efi" "$tree/uefi/"
# shellcheck disable=SC2046
boot uefi $(uefi_firmware OVMF_CODE_4M.fd OVMF_VARS_4M.fd) \
  -netdev "user,id=n0,tftp=${tree//,/,,},bootfile=uefi/bootx64.efi" -device virtio-net-pci,netdev=n0,romfile=
check_environment uefi
expect uefi '^secure boot: off$'
echo "PASS"
