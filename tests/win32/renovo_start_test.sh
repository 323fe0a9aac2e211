#!/bin/sh
# The update program's start-up under Wine, each case in a program folder of
# its own beside its renovo.cfg (and its own product name, so the records in
# the prefix's registry stay apart):
#   auto-off      "auto" with the periodic check off in renovo.cfg: exit 0, no window
#   auto-failed   "auto" with a check due and a site that refuses the connection:
#                 the description cannot be fetched, no message, exit -1
#   switched-off  the interactive start with the product's master switch off:
#                 the message naming the product, then exit -1
# usage: renovo_start_test.sh CASE WORK_FOLDER RENOVO_EXE DIALOG_PROBE_EXE WINE_RUNNER
set -u
case=$1 work=$2 renovo=$3 probe=$4 wine=$5
dir=$work/$case
rm -rf "$dir" && mkdir -p "$dir" && cp "$renovo" "$dir/Renovo.exe" || exit 1

config() {  # product, CheckForUpdate
    printf '[Main]\r\nProductName=%s\r\nProductVer=1.0.0.0\r\nVerFileName=product.ver\r\n' "$1"
    printf 'ExeFileName=Setup.exe\r\nCheckForUpdate=%s\r\nUpdatePeriod=daily\r\n\r\n' "$2"
    printf '[URL]\r\nAddress=127.0.0.1\r\nDownloadDir=update\r\nType=http\r\nPort=1\r\n'
}

# Wine hands on the low byte of the exit code: -1 is 255.
expect_exit() {
    "$wine" "$dir/Renovo.exe" auto
    rc=$?
    [ "$rc" -eq "$1" ] || { echo "exit code $rc, expected $1"; exit 1; }
}

case $case in
    auto-off)
        config "Renovo Off Test" no > "$dir/renovo.cfg"
        expect_exit 0 ;;
    auto-failed)
        config "Renovo Failed Test" yes > "$dir/renovo.cfg"
        expect_exit 255 ;;
    switched-off)
        config "Renovo Switch Test" yes > "$dir/renovo.cfg"
        "$wine" reg add 'HKCU\Software\Korvane\Renovo Switch Test' /v EnableAutoUpdate \
            /t REG_BINARY /d 00 /f > /dev/null || exit 1
        "$wine" "$probe" --caption "KV Automatic Update" \
            --text "65535=Automatic update feature for Renovo Switch Test is disabled." \
            --press 1 --exit -1 -- "$dir/Renovo.exe" ;;
    *)
        echo "unknown case $case"; exit 2 ;;
esac
