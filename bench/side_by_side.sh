#!/usr/bin/env bash
# The thumbnail figures of bench/README.md, measured side by side: ROUNDS
# interleaved rounds (default 3) of the thumbnail job in fast and exact
# decoding (the peer's work: no twice-size files, no copies of the photos),
# the peer thumbnailer (when NODE_PATH finds sharp, see peer/sharp_bench.js)
# and djpeg's full, 1/2 and 1/8-scale decodings, two at a time. Each line gives pictures per second, the peak memory of the process
# (of one djpeg process for djpeg) and its CPU time per picture, the fairer
# figure when other work shares the processors: a program with more threads
# than cores takes a larger share of a loaded machine. The machine's load
# comes first and last.
#
#   bench/side_by_side.sh FOLDER [ROUNDS] [BUILD]     (BUILD: default build)
set -euo pipefail
folder=${1:?usage: side_by_side.sh FOLDER [ROUNDS] [BUILD]}
rounds=${2:-3}
here=$(cd "$(dirname "$0")" && pwd)
build=${3:-$here/../build}
bench=$build/bench/thumbnail_bench
count=$(find "$folder" -maxdepth 1 -iname '*.jp*g' | wc -l)

# Runs a program that times itself; prints its last line and the process's
# peak memory.
own() {
    local label=$1
    shift
    local log
    log=$(mktemp)
    /usr/bin/time -f '%M %U %S' -o "$log.mem" "$@" >"$log" 2>&1
    read -r peak user system <"$log.mem"
    printf '  %s: %s\n      process: peak %d MiB, CPU %.0f ms per picture\n' "$label" "$(tail -1 "$log")" \
        "$((peak / 1024))" "$(echo "($user + $system) * 1000 / $count" | bc -l)"
    rm -f "$log" "$log.mem"
}

# Runs a command, prints "label: N pictures/s, peak M MiB".
measure() {
    local label=$1
    shift
    local log
    log=$(mktemp)
    local start end
    start=$(date +%s.%N)
    /usr/bin/time -f '%M %U %S' -o "$log.mem" "$@" >"$log" 2>&1
    end=$(date +%s.%N)
    read -r peak user system <"$log.mem"
    printf '%-40s %6.1f pictures/s, peak %d MiB (one process), CPU %.0f ms per picture\n' "$label" \
        "$(echo "$count / ($end - $start)" | bc -l)" "$((peak / 1024))" "$(echo "($user + $system) * 1000 / $count" | bc -l)"
    rm -f "$log" "$log.mem"
}

djpeg_all() {
    find "$folder" -maxdepth 1 -iname '*.jp*g' -print0 | xargs -0 -P2 -n1 djpeg -scale "$1" -outfile /dev/null
}

echo "load: $(uptime)"
for round in $(seq "$rounds"); do
    echo "round $round"
    for decoding in fast exact; do
        own "$decoding" "$bench" "$folder" --runs 1 --high-density 0 --copy-source 0 --decoding "$decoding"
    done
    if node -e "require('sharp')" 2>/dev/null; then
        own "peer" node "$here/peer/sharp_bench.js" "$folder" --runs 1
    fi
    export -f djpeg_all
    export folder
    measure "  djpeg full decode, 2 processes" bash -c 'djpeg_all 1/1'
    measure "  djpeg 1/2 decode, 2 processes" bash -c 'djpeg_all 1/2'
    measure "  djpeg 1/8 decode, 2 processes" bash -c 'djpeg_all 1/8'
done
echo "load: $(uptime)"
