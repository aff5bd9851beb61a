#!/usr/bin/env bash
# Runs the engine micro-benchmarks of the default build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/build/bin/glyphon_bench" "$@"
