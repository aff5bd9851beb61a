#!/usr/bin/env bash
# Glyphon against sharp (libvips) on the same sources and the same 74 icon files: wall time of the whole
# process (median of RUNS runs, the two tools alternating, each into a fresh folder), peak memory, bytes
# written and sharpness against an ImageMagick Lanczos reference.
#
# Usage: bench/compare.sh [BUILD_DIR]      (default: build; RUNS=5 by default)
# Needs: the build's glyphon-cli and glyphon_psnr, node + npm (sharp is installed into BUILD_DIR/bench-node
# on first use, never into the repository), ImageMagick 6 (Debian's convert-im6.q16: another program named
# convert may come first on PATH).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${RUNS:-5}
cli=$build/bin/glyphon-cli
psnr=$build/bin/glyphon_psnr
work=$build/bench-compare
nodeDir=$build/bench-node
sharpVersion=0.35

for tool in "$cli" "$psnr"; do
    [ -x "$tool" ] || { echo "missing $tool: build the glyphon-cli and glyphon_psnr targets first" >&2; exit 2; }
done
command -v node >/dev/null && command -v npm >/dev/null || { echo "node and npm are needed" >&2; exit 2; }
magick=/usr/bin/convert-im6.q16
[ -x "$magick" ] || { echo "ImageMagick ($magick) is needed" >&2; exit 2; }

if [ ! -d "$nodeDir/node_modules/sharp" ]; then
    echo "Installing sharp@$sharpVersion into $nodeDir"
    mkdir -p "$nodeDir"
    (cd "$nodeDir" && echo '{"private": true}' >package.json &&
        npm install --no-audit --no-fund --silent "sharp@$sharpVersion")
fi
export NODE_PATH=$nodeDir/node_modules
sharpScript=$root/bench/sharp-icons.js

# Sources: the shared test pictures beside the checkout when present, else the bundled sample.
shared=$root/../shared/testdata
mkdir -p "$work/sources" "$work/reference"
sources=()
add() { [ -f "$2" ] && cp "$2" "$work/sources/$1" && sources+=("$work/sources/$1"); }
add flat-1024.png "$shared/apple-1024.png" || add flat-1024.png "$root/resources/samples/apple-1024.png"
add photo-1024.jpg "$shared/photo-1024.jpg" || true
# 4096 sources, enlarged with a Lanczos filter; -strip leaves no colour chunks, so neither tool converts.
big() {
    [ -f "$work/sources/$1" ] || "$magick" "$2" -filter Lanczos -resize 4096x4096! -strip "PNG32:$work/sources/$1"
    sources+=("$work/sources/$1")
}
if [ -f "$shared/bulb-2048.png" ]; then big flat-4096.png "$shared/bulb-2048.png"; else big flat-4096.png "${sources[0]}"; fi
[ -f "$shared/photo-1024.jpg" ] && big photo-4096.png "$shared/photo-1024.jpg"

. "$root/bench/measure.sh"
column() { cut -d' ' -f"$2" "$1" | median; }
ratio() { echo "$1 / $2" | bc -l; }
bytes() { find "$1" -type f \( -name '*.png' -o -name '*.ico' \) -print0 | xargs -0 cat | wc -c; }
files() { find "$1" -type f \( -name '*.png' -o -name '*.ico' \) | wc -l; }

# The writers replace files atomically and sync each one; on a busy disk that alone can take longer
# than the rendering. With eatmydata installed, one more column shows Glyphon with syncs made no-ops.
nosync=$(command -v eatmydata || true)

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "sharp $(node -p "require('sharp').versions.sharp") (libvips $(node -p "require('sharp').versions.vips")), $runs runs each, alternating; medians"
echo
times=$work/times.txt
sizes=$work/sizes.txt
printf '%-12s %8s %8s %7s %8s %8s %7s' source "glyphon" "sharp" ratio "gl CPU" "sh CPU" ratio >"$times"
[ -n "$nosync" ] && printf ' %8s %7s' "no sync" ratio >>"$times"
echo >>"$times"
printf '%-12s %8s %8s %11s %11s %7s\n' source "gl MB" "sh MB" "gl bytes" "sh bytes" ratio >"$sizes"
for src in "${sources[@]}"; do
    name=$(basename "${src%.*}")
    : >"$work/g.txt"
    : >"$work/s.txt"
    : >"$work/n.txt"
    for ((i = 0; i < runs; i++)); do
        measure "$work/out-glyphon" "$cli" generate "$src" -o "$work/out-glyphon" >>"$work/g.txt"
        measure "$work/out-sharp" node "$sharpScript" "$src" "$work/out-sharp" >>"$work/s.txt"
        [ -z "$nosync" ] || measure "$work/out-glyphon" "$nosync" "$cli" generate "$src" -o "$work/out-glyphon" >>"$work/n.txt"
    done
    g=$(column "$work/g.txt" 1) s=$(column "$work/s.txt" 1)
    gc=$(column "$work/g.txt" 3) sc=$(column "$work/s.txt" 3)
    printf '%-12s %7.2fs %7.2fs %7.3f %7.2fs %7.2fs %7.3f' "$name" "$g" "$s" "$(ratio "$g" "$s")" "$gc" "$sc" \
        "$(ratio "$gc" "$sc")" >>"$times"
    if [ -n "$nosync" ]; then
        n=$(column "$work/n.txt" 1)
        printf ' %7.2fs %7.3f' "$n" "$(ratio "$n" "$s")" >>"$times"
    fi
    echo >>"$times"
    gm=$(cut -d' ' -f2 "$work/g.txt" | sort -n | tail -1) sm=$(cut -d' ' -f2 "$work/s.txt" | sort -n | tail -1)
    gb=$(bytes "$work/out-glyphon") sb=$(bytes "$work/out-sharp")
    [ "$(files "$work/out-glyphon")" = 74 ] || echo "note: glyphon wrote $(files "$work/out-glyphon") image files, not 74"
    printf '%-12s %8.1f %8.1f %11d %11d %7.3f\n' "$name" "$(ratio "$gm" 1024)" "$(ratio "$sm" 1024)" "$gb" "$sb" \
        "$(ratio "$gb" "$sb")" >>"$sizes"
    mkdir -p "$work/kept/$name"
    rm -rf "$work/kept/$name/glyphon" "$work/kept/$name/sharp"
    mv "$work/out-glyphon" "$work/kept/$name/glyphon"
    mv "$work/out-sharp" "$work/kept/$name/sharp"
done
echo "Whole process, one source to the 74 image files of all five platforms (wall and CPU seconds)"
cat "$times"
echo
echo "Peak memory (MB) and bytes of the 74 image files"
cat "$sizes"

# Sharpness: PSNR in dB on premultiplied RGBA against ImageMagick's Lanczos resize in 16 bits.
echo
echo "PSNR (dB) against ImageMagick -filter Lanczos, 16-bit, premultiplied RGBA"
declare -A file=([16]=macOS/AppIcon.appiconset/16.png [32]=macOS/AppIcon.appiconset/32.png
    [57]=FavIcon/apple-icon-57x57.png [180]=iOS/AppIcon.appiconset/180.png
    [250]=iOS/AppIcon.appiconset/250.png [512]=macOS/AppIcon.appiconset/512.png)
edges=(16 32 57 180 250 512)
printf '%-22s' "source / tool"
for e in "${edges[@]}"; do printf '%8s' "$e"; done
printf '%8s\n' mean
for src in "${sources[@]}"; do
    name=$(basename "${src%.*}")
    for e in "${edges[@]}"; do
        ref=$work/reference/$name-$e.png
        [ -f "$ref" ] || "$magick" "$src" -filter Lanczos -resize "${e}x${e}!" -depth 16 "PNG64:$ref"
    done
    for tool in glyphon sharp; do
        printf '%-22s' "$name $tool"
        sum=0
        for e in "${edges[@]}"; do
            v=$("$psnr" "$work/reference/$name-$e.png" "$work/kept/$name/$tool/${file[$e]}")
            printf '%8s' "$v"
            sum=$(echo "$sum + $v" | bc -l)
        done
        printf '%8.2f\n' "$(echo "$sum / ${#edges[@]}" | bc -l)"
    done
done
echo
echo "Outputs kept in $work/kept"
