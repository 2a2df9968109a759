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
pngs=$(for size in "${sizes[@]}"; do echo "share/icons/hicolor/${size}x${size}/apps/$id.png"; done)
wanted=$(printf 'usr/%s\n' bin/qv-instant-crawl "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" \
    share/man/man1/qv-instant-crawl.1.gz share/doc/qv-instant-crawl/copyright share/doc/qv-instant-crawl/changelog.gz \
    share/doc/qv-instant-crawl/examples/alert-looks.ini share/doc/qv-instant-crawl/examples/watch.conf \
    lib/systemd/user/qv-instant-crawl-watch.service \
    "share/icons/hicolor/scalable/apps/$id.svg" $pngs | sort)
installed=$(cd "$tmp" && find . -type f -o -type l | sed 's|^\./||' | sort)
[ "$installed" = "$wanted" ] || fail "installed files differ:"$'\n'"$(diff <(echo "$wanted") <(echo "$installed") || true)"
[ -x "$usr/bin/qv-instant-crawl" ] || fail "bin/qv-instant-crawl is not executable"

# A PNG starts with its signature, then the IHDR chunk: width and height, big-endian.
for size in "${sizes[@]}"; do
    png="$usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
    [ "$(od -An -v -tx1 -N24 "$png" 2>/dev/null | tr -d ' \n')" = "89504e470d0a1a0a0000000d49484452$(printf '%08x%08x' "$size" "$size")" ] \
        || fail "$png is no PNG of $size x $size"
done
grep -q '<svg[^>]*viewBox="0 0 32 32"' "$usr/share/icons/hicolor/scalable/apps/$id.svg" || fail "the SVG icon lacks its 32 x 32 view box"
zcat "$usr/share/man/man1/qv-instant-crawl.1.gz" | grep -q "^\.TH QV-INSTANT-CRAWL 1 .*qv-instant-crawl $version" \
    || fail "the manual page does not name version $version"
zcat "$usr/share/doc/qv-instant-crawl/changelog.gz" | head -n 1 | grep -q "^qv-instant-crawl ($version) " \
    || fail "the changelog does not begin with version $version"

# The feed watcher's user unit starts the executable where this install put it, with watch.conf's settings.
unit="$usr/lib/systemd/user/qv-instant-crawl-watch.service"
grep -qx 'ExecStart=/usr/bin/qv-instant-crawl watch ${QVIC_WATCH_URL} --interval ${QVIC_WATCH_INTERVAL} $QVIC_WATCH_OPTIONS' "$unit" \
    || fail "the watch unit's ExecStart: $(grep ExecStart "$unit")"
grep -qx 'EnvironmentFile=%E/qv-instant-crawl/watch.conf' "$unit" || fail "the watch unit does not read watch.conf"

desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --pedantic --no-net "$usr/share/metainfo/$id.metainfo.xml" | grep -q '^✔ Validation was successful\.$' \
    || fail "appstreamcli validate --pedantic: $(appstreamcli validate --pedantic --no-net "$usr/share/metainfo/$id.metainfo.xml")"
grep -q "<release version=\"$version\"" "$usr/share/metainfo/$id.metainfo.xml" || fail "the AppStream metadata has no release $version"
# The tree as a software centre reads it: metadata, launchable desktop file and icon together.
appstreamcli validate-tree --no-net "$usr" || fail "appstreamcli validate-tree"

# The options must answer where no window could open: "$1" exits $2, its output's first line is $3, its errors $4.
check() {
    status=0
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$usr/bin/qv-instant-crawl" "$1" >"$tmp/out" 2>"$tmp/err" || status=$?
    [ "$status/$(head -n 1 "$tmp/out")/$(cat "$tmp/err")" = "$2/$3/$4" ] || fail "$1 exits $status, prints: $(cat "$tmp/out" "$tmp/err")"
}
check --version 0 "qv-instant-crawl $version" ""
check --help 0 "Usage: qv-instant-crawl [OPTION]..." ""
check --x 1 "" "qv-instant-crawl: unrecognized option '--x'
Try 'qv-instant-crawl --help' for more information."
status=0
"$usr/bin/qv-instant-crawl" --help >/dev/full 2>"$tmp/err" || status=$?
[ "$status" -eq 1 ] && grep -q 'write error' "$tmp/err" || fail "--help to a full disk exits $status"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "Installed tree, validators and options: all checks passed"
