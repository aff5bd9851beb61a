#!/usr/bin/env bash
# The engine benchmarks of a build (default: build; another with BUILD_DIR=...): the Google Benchmark
# micro-benchmarks of resize, encode, effects and whole sets, then the comparison with sharp on the
# same 74 files (compare.sh), across source edges, odd and even (edges.sh), and the newer targets against
# the five sets as whole processes (targets.sh). Arguments go to the micro-benchmarks, e.g.
# --benchmark_filter=Encode.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
photo=$root/../shared/testdata/photo-1024.jpg
[ -f "$photo" ] && export GLYPHON_BENCH_PHOTO=$photo
"$build/bin/glyphon_bench" "$@"
bash "$root/bench/compare.sh" "$build"
bash "$root/bench/edges.sh" "$build"
bash "$root/bench/targets.sh" "$build"
