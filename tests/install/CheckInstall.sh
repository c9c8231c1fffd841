#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR under another prefix than the
# configured one, and checks what a user's system would get: every file in
# its place and no other, the icon sizes, the desktop entry and the
# AppStream metadata valid, the man pages free of roff warnings, and the
# installed program finding its own guide. Then an install into a prefix
# that cannot be made must fail.
#   CheckInstall.sh BUILD_DIR SOURCE_DIR VERSION APP_ID WITH_CLI CMAKE
set -euo pipefail
build=$1 source=$2 version=$3 id=$4 with_cli=$5 cmake=$6

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dest=$tmp/dest prefix=/opt/pellar-test
root=$dest$prefix
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

DESTDIR=$dest "$cmake" --install "$build" --prefix "$prefix" >"$tmp/install.log"

# --- every file, and no other -------------------------------------------
expected=(
  bin/pellar
  share/applications/$id.desktop
  share/metainfo/$id.metainfo.xml
  share/icons/hicolor/scalable/apps/$id.svg
  share/icons/hicolor/48x48/apps/$id.png
  share/icons/hicolor/128x128/apps/$id.png
  share/icons/hicolor/256x256/apps/$id.png
  share/man/man1/pellar.1.gz
  share/doc/pellar/USER_GUIDE.md
  share/doc/pellar/main-window.png
  share/doc/pellar/ft232r-wiring.svg
  share/doc/pellar/rpi-gpio-wiring.png
  share/doc/pellar/rpi-gpio-wiring.svg
  lib/udev/rules.d/60-pellar-parport.rules
  lib/udev/rules.d/60-pellar-ftdi.rules
  lib/modules-load.d/pellar-ppdev.conf
)
if [ "$with_cli" = 1 ]; then
  expected+=(bin/pellar-cli share/man/man1/pellar-cli.1.gz)
fi
printf '%s\n' "${expected[@]}" | sort >"$tmp/expected"
(cd "$dest" && find . -type f -o -type l) | sed "s#^\./${prefix#/}/##" | sort >"$tmp/found"
if ! diff -u "$tmp/expected" "$tmp/found" >"$tmp/diff"; then
  fail "installed files differ from the expected list:"; cat "$tmp/diff" >&2
fi
for f in "${expected[@]}"; do
  [ -s "$root/$f" ] || fail "$f is missing or empty"
done
for f in bin/pellar bin/pellar-cli; do
  [ -e "$root/$f" ] && { [ -x "$root/$f" ] || fail "$f is not executable"; }
done
bad_modes=$(find "$dest" -type d ! -perm 755 -o -type f ! -path '*/bin/*' ! -perm 644)
[ -z "$bad_modes" ] || fail "unexpected permissions: $bad_modes"

# --- the files are the ones in the tree ----------------------------------
cmp -s "$root/lib/udev/rules.d/60-pellar-parport.rules" "$source/dist/udev/60-pellar-parport.rules" ||
  fail "the installed udev rule is not dist/udev/60-pellar-parport.rules"
cmp -s "$root/lib/udev/rules.d/60-pellar-ftdi.rules" "$source/dist/udev/60-pellar-ftdi.rules" ||
  fail "the installed udev rule is not dist/udev/60-pellar-ftdi.rules"
# uaccess works only in rules that sort before 73-seat-late.rules.
[[ "60-pellar-ftdi.rules" < "73-seat-late.rules" ]] || fail "the FTDI rule sorts after 73-seat-late.rules"
for product in 6001 6014 6010; do
  grep -q "SUBSYSTEM==\"usb\", ATTR{idVendor}==\"0403\", ATTR{idProduct}==\"$product\", TAG+=\"uaccess\", GROUP=\"plugdev\"" \
    "$root/lib/udev/rules.d/60-pellar-ftdi.rules" ||
    fail "the FTDI rule does not give 0403:$product to the user and plugdev"
done
cmp -s "$root/share/doc/pellar/USER_GUIDE.md" "$source/docs/USER_GUIDE.md" ||
  fail "the installed guide is not docs/USER_GUIDE.md"

# --- icon sizes (PNG header: width and height, big-endian, at byte 16) ---
for size in 48 128 256; do
  png=$root/share/icons/hicolor/${size}x${size}/apps/$id.png
  [ -f "$png" ] || continue
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "$id.png in ${size}x${size} is $dims"
done

# --- desktop entry and metadata ------------------------------------------
desktop=$root/share/applications/$id.desktop
metainfo=$root/share/metainfo/$id.metainfo.xml
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
appstreamcli validate --no-net --pedantic "$metainfo" >"$tmp/as.log" 2>&1 ||
  { fail "appstreamcli validate $metainfo"; cat "$tmp/as.log" >&2; }
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's icon is not $id"
grep -q "Categories=Development;Electronics;" "$desktop" || fail "the desktop entry's categories"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metadata's release is not $version"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "the metadata does not launch $id.desktop"

# --- man pages: no roff warnings, the version on them -------------------
for page in "$root"/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
             man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
  zcat "$page" | head -1 | grep -q "$version" || fail "$(basename "$page") does not carry $version"
done

# --- the installed program finds its guide ------------------------------
out=$("$root/bin/pellar" --version) || fail "pellar --version exited with $?"
want="Pellar Remake $version
User guide: $root/share/doc/pellar/USER_GUIDE.md"
[ "$out" = "$want" ] || fail "pellar --version printed:
$out
instead of:
$want"

# --- a prefix that cannot be made: the tool's own error -----------------
touch "$tmp/not-a-folder"
if "$cmake" --install "$build" --prefix "$tmp/not-a-folder/usr" >"$tmp/bad.log" 2>&1; then
  fail "an install under a plain file succeeded"
elif ! grep -q "cannot make directory\|cannot create directory\|Not a directory" "$tmp/bad.log"; then
  fail "an install under a plain file gave no clear error:"; cat "$tmp/bad.log" >&2
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "install: ${#expected[@]} files under $prefix, all checks passed"
