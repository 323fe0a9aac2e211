# The shell header of the Linux product installer, a makeself header template
# (makeself --header): makeself fills in the archive's line offset, size and
# SHA-256 and puts the tar archive right after the header. The installer is
# then signed by appending a signature block, so the header reads exactly the
# archive's bytes and ignores what follows them. It reads its own file only by
# the name it was started with, which may be /dev/fd/N or /proc/self/fd/N (a
# verified file started from its descriptor), and only once for the archive.
# It extracts into a private folder and runs the archive's install script with
# the installer's arguments; the install script's exit code is the installer's.
cat <<EOF >"$archname"
#!/bin/sh
# $LABEL: a self-extracting archive made with makeself. Run it with --help.
umask 077
skip=$SKIP
size=$filesizes
sha256=$SHAsum
cancelled=4 failed=8

self=\$0
work=\$(mktemp -d "\${TMPDIR:-/tmp}/quelix-setup.XXXXXXXX") ||
  { echo "installer: cannot create a private folder for the files" >&2; exit \$failed; }
trap 'rm -rf "\$work"' EXIT
trap 'exit \$cancelled' INT TERM HUP
fail() { echo "installer: \$*" >&2; exit \$failed; }

offset=\$(head -n "\$skip" "\$self" | wc -c) || fail "cannot read \$self"
tail -c +\$((offset + 1)) "\$self" | head -c "\$size" >"\$work/archive" || fail "cannot read \$self"
[ "\$(wc -c <"\$work/archive")" -eq "\$size" ] || fail "\$self is incomplete"
[ "\$(sha256sum <"\$work/archive" | cut -d' ' -f1)" = "\$sha256" ] || fail "\$self is damaged"
mkdir "\$work/files" && $GUNZIP_CMD <"\$work/archive" | tar -x -C "\$work/files" || fail "cannot unpack \$self"
rm -f "\$work/archive"
cd "\$work/files" || fail "cannot unpack \$self"
"$SCRIPT" "\$@"
exit \$?
EOF
