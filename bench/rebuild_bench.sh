#!/usr/bin/env bash
# A big album built twice: the second `quorvane-cli build`, with nothing
# changed, is the one timed (wall, user and system time, peak memory).
# FOLDERS × PICTURES tiny pictures from make_album, in a scratch folder
# below TMPDIR (default /dev/shm: on a disk, creating the first build's
# files dominates and says nothing about the program), removed at the end.
#
#   bench/rebuild_bench.sh [FOLDERS [PICTURES [BUILD]]]    (default 100 × 100)
set -euo pipefail
folders=${1:-100}
pictures=${2:-100}
here=$(cd "$(dirname "$0")" && pwd)
build=${3:-$here/../build}
cli=$build/cli/quorvane-cli
scratch=$(mktemp -d "${TMPDIR:-/dev/shm}/rebuild-bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

"$build/bench/make_album" "$scratch/album" "$folders" "$pictures" >/dev/null
"$cli" init "$scratch/album" --set OutputFolder="$scratch/out" >/dev/null
echo "load: $(uptime)"
/usr/bin/time -f 'first build: %e s wall, %U s user, %S s system, peak %M KiB' \
    "$cli" build "$scratch/album" >/dev/null 2>"$scratch/first.log"
tail -1 "$scratch/first.log"
/usr/bin/time -f 'second build, nothing changed: %e s wall, %U s user, %S s system, peak %M KiB' \
    "$cli" build "$scratch/album" >/dev/null 2>"$scratch/second.log"
tail -1 "$scratch/second.log"
echo "load: $(uptime)"
