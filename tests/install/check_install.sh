#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR as a package would, and checks the tree:
# every file in its place and nothing else, the icons real PNGs of their size, the
# desktop file and the AppStream metadata accepted by their validators, and the
# installed program answering its options with no display at all.
#   check_install.sh BUILD_DIR DESKTOP_ID VERSION CMAKE
set -euo pipefail
build=$1 id=$2 version=$3 cmake=$4
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

DESTDIR="$tmp" "$cmake" --install "$build" --prefix /usr >/dev/null
usr="$tmp/usr"

sizes=(16 24 32 48 64 128 256)
expected=(bin/qv-instant-crawl
          "share/applications/$id.desktop"
          "share/metainfo/$id.metainfo.xml"
          share/man/man1/qv-instant-crawl.1
          "share/icons/hicolor/scalable/apps/$id.svg")
for size in "${sizes[@]}"; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done
installed=$(cd "$tmp" && find . -type f -o -type l | sed 's|^\./||' | sort)
wanted=$(printf 'usr/%s\n' "${expected[@]}" | sort)
[ "$installed" = "$wanted" ] \
    || fail "installed files differ from the expected ones:"$'\n'"$(diff <(echo "$wanted") <(echo "$installed") || true)"
[ -x "$usr/bin/qv-instant-crawl" ] || fail "bin/qv-instant-crawl is not executable"

# A PNG starts with its signature, then the IHDR chunk: width and height, big-endian.
for size in "${sizes[@]}"; do
    png="$usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
    [ -f "$png" ] || continue
    read -r -a bytes <<<"$(od -An -v -tx1 -N24 "$png" | tr '\n' ' ')"
    header="${bytes[*]:0:8} ${bytes[*]:12:4}"
    width=$((16#${bytes[16]}${bytes[17]}${bytes[18]}${bytes[19]}))
    height=$((16#${bytes[20]}${bytes[21]}${bytes[22]}${bytes[23]}))
    [ "$header" = "89 50 4e 47 0d 0a 1a 0a 49 48 44 52" ] || fail "$png is not a PNG"
    [ "$width x $height" = "$size x $size" ] || fail "$png is $width x $height, not $size x $size"
done
grep -q '<svg[^>]*viewBox="0 0 32 32"' "$usr/share/icons/hicolor/scalable/apps/$id.svg" \
    || fail "the SVG icon lacks its 32 x 32 view box"
grep -q "^\.TH QV-INSTANT-CRAWL 1 .*qv-instant-crawl $version" "$usr/share/man/man1/qv-instant-crawl.1" \
    || fail "the manual page does not name version $version"

desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
# The tree as a software centre reads it: metadata, launchable desktop file and icon together.
appstreamcli validate-tree --no-net "$usr" || fail "appstreamcli validate-tree"

# The options must answer where no window could open.
run() {
    status=0
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$usr/bin/qv-instant-crawl" "$@" \
        >"$tmp/out" 2>"$tmp/err" || status=$?
}
run --version
[ "$status" -eq 0 ] || fail "--version exits $status"
[ "$(head -n 1 "$tmp/out")" = "qv-instant-crawl $version" ] || fail "--version prints: $(cat "$tmp/out")"
run --help
[ "$status" -eq 0 ] || fail "--help exits $status"
grep -q '^Usage: qv-instant-crawl \[OPTION\]\.\.\.$' "$tmp/out" || fail "--help prints: $(cat "$tmp/out")"
[ ! -s "$tmp/err" ] || fail "--help writes to stderr: $(cat "$tmp/err")"
run --x
[ "$status" -eq 1 ] || fail "--x exits $status"
[ ! -s "$tmp/out" ] || fail "--x writes to stdout: $(cat "$tmp/out")"
[ "$(cat "$tmp/err")" = "qv-instant-crawl: unrecognized option '--x'
Try 'qv-instant-crawl --help' for more information." ] || fail "--x says: $(cat "$tmp/err")"
status=0
"$usr/bin/qv-instant-crawl" --help >/dev/full 2>"$tmp/err" || status=$?
[ "$status" -eq 1 ] && grep -q 'write error' "$tmp/err" || fail "--help to a full disk exits $status"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "Installed tree, validators and options: all checks passed"
