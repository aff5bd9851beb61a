#!/usr/bin/env bash
# The newer targets held against the five sets as a user runs them: whole glyphon-cli processes (the source
# read and decoded, every file written into a fresh folder), the three selections alternating in each
# round; medians of RUNS rounds and their ratios to the five sets. AgainstFiveSets in EngineBench.cpp gives
# the same comparison in one process, without the start and the decode.
#
# Usage: bench/targets.sh [BUILD_DIR]      (default: build; RUNS=7 by default)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${RUNS:-7}
cli=$build/bin/glyphon-cli
work=$build/bench-targets
[ -x "$cli" ] || { echo "missing $cli: build the glyphon-cli target first" >&2; exit 2; }
mkdir -p "$work"

# Sources: the shared test pictures beside the checkout when present, else the bundled sample.
shared=$root/../shared/testdata
sources=("$root/resources/samples/apple-1024.png")
[ -f "$shared/photo-1024.jpg" ] && sources+=("$shared/photo-1024.jpg")

five=macos,ios,watchos,android,web
apple=$five,ios-single,watchos-single,icon-composer,macos-icns
every=$apple,android-adaptive,web-modern,windows,linux

# /usr/bin/time counts in hundredths, too coarse for runs of a tenth of a second: the wall time is taken in
# nanoseconds around the process.
. "$root/bench/measure.sh"
wallMs() {
    rm -rf "$work/out"
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    end=$(date +%s%N)
    echo "scale=1; ($end - $start) / 1000000" | bc
}

printf '%-16s %-10s %8s %8s\n' source selection wall_ms ratio
for source in "${sources[@]}"; do
    for name in five apple every; do : >"$work/$name.txt"; done
    for ((run = 0; run < runs; run++)); do
        for name in five apple every; do
            wallMs "$cli" generate "$source" -o "$work/out" --platforms "${!name}" >>"$work/$name.txt"
        done
    done
    fiveMs=$(median <"$work/five.txt")
    for name in five apple every; do
        wall=$(median <"$work/$name.txt")
        printf '%-16s %-10s %8s %8.2f\n' "$(basename "$source")" "$name" "$wall" "$(echo "$wall / $fiveMs" | bc -l)"
    done
done
rm -rf "$work/out"
