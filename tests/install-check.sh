#!/usr/bin/env bash
# Installs a build into a temporary DESTDIR, as a package build does, and checks
# what a desktop needs of it: the files in their places, the desktop entry and
# the metainfo valid, and the programs answering --help and --version without
# a display.
#   tests/install-check.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1 app_id=$2
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
fail() { echo "install check FAILED: $*" >&2; exit 1; }

DESTDIR=$dest cmake --install "$build" --prefix /usr >/dev/null
root=$dest/usr
for f in bin/norvatel bin/norvatel-batch \
         share/norvatel/RizivozeR.html share/norvatel/quality.md \
         "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml" \
         "share/icons/hicolor/scalable/apps/$app_id.svg" \
         "share/icons/hicolor/48x48/apps/$app_id.png" \
         "share/icons/hicolor/256x256/apps/$app_id.png" \
         share/man/man1/norvatel.1.gz share/man/man1/norvatel-batch.1.gz \
         share/doc/norvatel/copyright share/doc/norvatel/changelog.Debian.gz; do
    [ -s "$root/$f" ] || fail "$f was not installed"
done
# Every page the help page links to is installed beside it.
grep -o 'href="[^"#:]*"' "$root/share/norvatel/RizivozeR.html" | sed 's/^href="//; s/"$//' |
    while read -r link; do
        [ -e "$root/share/norvatel/$link" ] || fail "the help page links to $link, which is not installed"
    done

desktop-file-validate "$root/share/applications/$app_id.desktop" ||
    fail "desktop-file-validate found faults in $app_id.desktop"
appstreamcli validate --no-net "$root/share/metainfo/$app_id.metainfo.xml" ||
    fail "appstreamcli found faults in $app_id.metainfo.xml"

# Without a display: a man page generator, a package check or a user over ssh.
for program in norvatel norvatel-batch; do
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/$program" --help |
        grep -q "^usage: $program" || fail "$program --help did not answer on standard output"
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/$program" --version |
        grep -q ' [0-9]' || fail "$program --version did not answer on standard output"
done
# The manual pages say what --help says: every option it lists is in the page.
for program in norvatel norvatel-batch; do
    page=$(zcat "$root/share/man/man1/$program.1.gz" | sed 's/\\-/-/g')
    grep -q "^\.TH ${program^^} " <<<"$page" || fail "the $program man page is not named $program"
    "$root/bin/$program" --help | grep -oE '^  --[a-z-]+' | while read -r option; do
        grep -qe "$option" <<<"$page" || fail "the $program man page does not list $option"
    done
done
echo "install check passed: $(find "$dest" -type f | wc -l) files installed and valid"
