# Helpers of the boot tests, sourced by them: boot a medium in qemu (TCG) until
# the wiping environment powers the machine off, and read its serial console.
# Needs $work (a scratch folder) and fail() from the sourcing script.

ovmf=/usr/share/OVMF

# boot NAME QEMU-ARGS...: the console log goes to $work/NAME.log.
boot() {
  local name=$1; shift
  local started=$SECONDS
  timeout -k 10 240 qemu-system-x86_64 -m 768 -nic none -display none -serial stdio -no-reboot "$@" \
    </dev/null >"$work/$name.raw" 2>&1 || true
  tr -d '\r' <"$work/$name.raw" >"$work/$name.log"
  echo "boot $name: $((SECONDS - started)) s"
}

# expect NAME REGEX: the console of boot NAME showed a matching line.
expect() {
  grep -qE "$2" "$work/$1.log" || { tail -n 60 "$work/$1.log" >&2; fail "$1 boot log lacks: $2"; }
}

# uefi_firmware CODE VARS: the firmware's two flash drives, with a private copy
# of the variables.
uefi_firmware() {
  cp "$ovmf/$2" "$work/vars.fd"
  echo -drive "if=pflash,format=raw,unit=0,readonly=on,file=$ovmf/$1" \
       -drive "if=pflash,format=raw,unit=1,file=$work/vars.fd"
}

# The machine that enforces Secure Boot (with the secboot firmware).
secure_boot() { echo -machine q35,smm=on -global driver=cfi.pflash01,property=secure,value=on; }
