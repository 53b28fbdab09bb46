#!/usr/bin/env bash
# Packs the build as `make package` does, unpacks the .deb into a temporary
# root as dpkg would install it, and uses the installed programs from an
# unrelated folder: the skins, man pages, completion and menu entry must be
# where a Debian system looks for them.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR GUI(ON|OFF)
set -euo pipefail
build=$1 source=$2 gui=$3

for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is missing (tools/install-deps.sh installs it)"
        exit 77
    fi
done
completion_lib=/usr/share/bash-completion/bash_completion
if [ ! -r "$completion_lib" ]; then
    echo "SKIPPED: bash-completion is missing (tools/install-deps.sh installs it)"
    exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

if ! cpack --config "$build/CPackConfig.cmake" -B "$work/pack" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    fail "cpack could not make the package"
fi
debs=("$work"/pack/quorvane_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single quorvane_*.deb"
deb=${debs[0]}

control=$(dpkg-deb --field "$deb")
grep -qx 'Section: graphics' <<<"$control" || fail "the package's section is not graphics"
grep -q '^Depends:.*libjpeg62-turbo' <<<"$control" || fail "Depends lacks libjpeg62-turbo: $control"
grep -q '^Recommends:.*gstreamer1.0-libav' <<<"$control" || fail "Recommends lacks the GStreamer plugins"

root=$work/root
dpkg-deb -x "$deb" "$root"
usr=$root/usr
for file in bin/quorvane-cli share/quorvane/Skins/Default/MainLoop.qvs share/quorvane/Skins/Plain/Main.qvs \
    share/man/man1/quorvane-cli.1.gz share/bash-completion/completions/quorvane-cli \
    share/doc/quorvane/copyright share/doc/quorvane/changelog.gz; do
    [ -f "$usr/$file" ] || fail "the package has no /usr/$file"
done
cli=$usr/bin/quorvane-cli

# From a folder without Skins, with an empty home: the installed skins serve.
mkdir -p "$work/elsewhere" "$work/home"
cp -r "$source/samples/album" "$work/album"
cd "$work/elsewhere"
export HOME=$work/home
unset XDG_CONFIG_HOME XDG_DATA_HOME
"$cli" init "$work/album" --set OutputFolder="$work/site" >"$work/init.out" 2>"$work/init.err" ||
    fail "the installed quorvane-cli init failed: $(cat "$work/init.err")"
grep -q '<Skin name="Default"/>' "$work/album/ProjectOptions.xml" || fail "init did not choose the installed skin Default"
"$cli" build "$work/album" >"$work/build.out" 2>"$work/build.err" ||
    fail "the installed quorvane-cli build failed: $(cat "$work/build.err")"
index=$(cat "$work/build.out")
[ "$index" = "$work/site/index.html" ] && [ -f "$index" ] || fail "the installed skin wrote no index page ($index)"
[ -f "$work/site/thm_cat.jpg" ] || fail "no thumbnail was made"
[ -z "$(ls -A "$work/elsewhere")" ] || fail "the build wrote into the current directory"

# The man page holds every command of the help, and groff reads it cleanly.
commands=$("$cli" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p')
[ -n "$commands" ] || fail "quorvane-cli --help lists no commands"
page=$(gzip -dc "$usr/share/man/man1/quorvane-cli.1.gz")
for command in $commands; do
    grep -qF "\\fB${command//-/\\-}\\fR" <<<"$page" || fail "the man page lacks the command $command"
done
if command -v groff >/dev/null; then
    warnings=$(groff -man -Tutf8 -ww -z <<<"$page" 2>&1)
    [ -z "$warnings" ] || fail "groff warns about quorvane-cli.1: $warnings"
fi

# Completion offers the commands, then a command's options.
complete_words() {
    bash -c 'source "$1"; source "$2"; shift 2
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        _quorvane_cli; printf "%s\n" "${COMPREPLY[@]}"' _ \
        "$completion_lib" "$usr/share/bash-completion/completions/quorvane-cli" "$@"
}
offered=$(complete_words "$cli" "")
for command in $commands; do
    grep -qx "$command" <<<"$offered" || fail "completion does not offer $command (offered: $offered)"
done
[ "$(complete_words "$cli" build --f)" = "--force" ] || fail "completion does not offer build's --force"
[ "$(complete_words "$cli" -C /tmp s)" = "$(printf 'scan\nskin-params')" ] || fail "completion after -C DIR"

if [ "$gui" = ON ]; then
    for file in bin/quorvane share/man/man1/quorvane.1.gz share/icons/hicolor/scalable/apps/quorvane.svg \
        share/icons/hicolor/48x48/apps/quorvane.png; do
        [ -f "$usr/$file" ] || fail "the package has no /usr/$file"
    done
    desktop=$usr/share/applications/org.quorvane.Quorvane.desktop
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the menu entry"
    grep -qx 'Exec=quorvane' "$desktop" && grep -qx 'Icon=quorvane' "$desktop" || fail "the menu entry's Exec or Icon"
    appstreamcli validate --no-net "$usr/share/metainfo/org.quorvane.Quorvane.metainfo.xml" >"$work/as.log" ||
        fail "appstreamcli rejects the metainfo: $(cat "$work/as.log")"
    grep -q '^Depends:.*libqt6widgets6' <<<"$control" || fail "Depends lacks Qt 6 Widgets"
fi
echo "installed package checked: $(basename "$deb")"
