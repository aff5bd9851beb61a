#!/usr/bin/env bash
# Starts Glyphon. Without a window yet, it makes the icon sets of the bundled sample so there is something to see.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -x "$root/build/bin/glyphon" ]; then
    exec "$root/build/bin/glyphon" "$@"
fi
out="$root/build/sample-icons"
"$root/build/bin/glyphon-cli" generate "$root/resources/samples/apple-1024.png" -o "$out"
echo "Icon sets of the sample image written to $out"
