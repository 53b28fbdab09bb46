#!/usr/bin/env bash
# A big album built twice: the second `quorvane-cli build`, with nothing
# changed, is the one timed (wall, user and system time, peak memory), with
# its anchor in the same run: `find` reading the size and time of every file
# of the album and its destination folder, the least any staleness check
# must do.
#
#   bench/rebuild_bench.sh [FOLDERS [PICTURES [BUILD]]]    (default 100 × 100)
#   bench/rebuild_bench.sh ALBUM [BUILD]
#
# The first form makes FOLDERS × PICTURES tiny pictures with make_album in a
# scratch folder below TMPDIR (default /dev/shm: on a disk, creating the
# first build's files dominates and says nothing about the program), builds
# it once and removes it at the end. The second times an album root that
# has a project already (built once or not), and leaves it in place.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -d "${1:-}" ]; then
    album=$(cd "$1" && pwd)
    build=${2:-$here/../build}
    scratch=
else
    folders=${1:-100}
    pictures=${2:-100}
    build=${3:-$here/../build}
    scratch=$(mktemp -d "${TMPDIR:-/dev/shm}/rebuild-bench.XXXXXX")
    trap 'rm -rf "$scratch"' EXIT
    album=$scratch/album
    "$build/bench/make_album" "$album" "$folders" "$pictures" >/dev/null
    "$build/cli/quorvane-cli" init "$album" --set OutputFolder="$scratch/out" >/dev/null
fi
cli=$build/cli/quorvane-cli
log=$(mktemp)
trap 'rm -rf "$log" ${scratch:+"$scratch"}' EXIT
output=$(sed -n 's/.*<OutputFolder dir="\([^"]*\)".*/\1/p' "$album/ProjectOptions.xml")
echo "load: $(uptime)"
echo "album: $(find "$album" -type f | wc -l) files, destination: ${output:-none}"
if [ -n "$scratch" ]; then
    /usr/bin/time -f 'first build: %e s wall, %U s user, %S s system, peak %M KiB, exit status %x' \
        "$cli" build "$album" >/dev/null 2>"$log" || true
    tail -1 "$log"
fi
"$cli" build "$album" >/dev/null 2>&1 || true  # warms the caches
/usr/bin/time -f 'second build, nothing changed: %e s wall, %U s user, %S s system, peak %M KiB, exit status %x' \
    "$cli" build "$album" >/dev/null 2>"$log" || true
tail -1 "$log"
/usr/bin/time -f 'anchor, find reading every file'"'"'s size and time: %e s wall, %U s user, %S s system' \
    find "$album" ${output:+"$output"} -printf '%s %T@\n' >/dev/null 2>"$log"
tail -1 "$log"
echo "load: $(uptime)"
