#!/usr/bin/env bash
# Glyphon against sharp (libvips) across source edges, odd and even: the same photograph resized to each
# edge, the 74 image files of all five platforms from it, whole process. For each edge: wall seconds
# (median of RUNS runs, the two tools alternating, each into a fresh folder), the ratio to sharp and to
# the nearest even edge in the table, Glyphon's peak memory and the mean sharpness against ImageMagick.
#
# Usage: bench/edges.sh [BUILD_DIR]      (default: build; RUNS=5, EDGES="1024 1025 2000 …" to choose)
# Peak memory is the largest of the runs.
# Needs: the build's glyphon-cli and glyphon_psnr, node + npm (sharp is installed into BUILD_DIR/bench-node
# on first use, never into the repository), ImageMagick 6 (Debian's convert-im6.q16) and the photograph
# ../shared/testdata/photo-1024.jpg beside the checkout.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${RUNS:-5}
edges=(${EDGES:-1024 1025 2000 2047 2048 3000 3001 4096 4097 5792 5793 8191 8192})
cli=$build/bin/glyphon-cli
psnr=$build/bin/glyphon_psnr
work=$build/bench-edges
nodeDir=$build/bench-node
sharpVersion=0.35
magick=/usr/bin/convert-im6.q16
photo=$root/../shared/testdata/photo-1024.jpg

for tool in "$cli" "$psnr"; do
    [ -x "$tool" ] || { echo "missing $tool: build the glyphon-cli and glyphon_psnr targets first" >&2; exit 2; }
done
[ -x "$magick" ] || { echo "ImageMagick ($magick) is needed" >&2; exit 2; }
[ -f "$photo" ] || { echo "missing $photo" >&2; exit 2; }
command -v node >/dev/null && command -v npm >/dev/null || { echo "node and npm are needed" >&2; exit 2; }

if [ ! -d "$nodeDir/node_modules/sharp" ]; then
    echo "Installing sharp@$sharpVersion into $nodeDir"
    mkdir -p "$nodeDir"
    (cd "$nodeDir" && echo '{"private": true}' >package.json &&
        npm install --no-audit --no-fund --silent "sharp@$sharpVersion")
fi
export NODE_PATH=$nodeDir/node_modules
sharpScript=$root/bench/sharp-icons.js

# Every source is a plain PNG made the same way, so all edges take the same decoder; -strip leaves no
# colour chunks, so neither tool converts.
mkdir -p "$work/sources" "$work/reference"
for e in "${edges[@]}"; do
    [ -f "$work/sources/$e.png" ] ||
        "$magick" "$photo" -filter Lanczos -resize "${e}x${e}!" -strip "PNG32:$work/sources/$e.png"
done

. "$root/bench/measure.sh"
calc() { echo "$1" | bc -l; }

# Sharpness: mean PSNR in dB on premultiplied RGBA against ImageMagick's Lanczos resize in 16 bits.
declare -A file=([16]=macOS/AppIcon.appiconset/16.png [32]=macOS/AppIcon.appiconset/32.png
    [57]=FavIcon/apple-icon-57x57.png [180]=iOS/AppIcon.appiconset/180.png
    [250]=iOS/AppIcon.appiconset/250.png [512]=macOS/AppIcon.appiconset/512.png)
sizes=(16 32 57 180 250 512)
meanPsnr() {
    local e=$1 out=$2 sum=0
    for size in "${sizes[@]}"; do
        ref=$work/reference/$e-$size.png
        [ -f "$ref" ] || "$magick" "$work/sources/$e.png" -filter Lanczos -resize "${size}x${size}!" -depth 16 "PNG64:$ref"
        sum=$(calc "$sum + $("$psnr" "$ref" "$out/${file[$size]}")")
    done
    calc "$sum / ${#sizes[@]}"
}

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "sharp $(node -p "require('sharp').versions.sharp") (libvips $(node -p "require('sharp').versions.vips")), $runs runs each, alternating; medians"
echo
# Rounds over all edges, so that a change in the machine's load falls on every edge alike; the
# sharpness is taken from the first round's files.
declare -A wall cpu psnrOf sharpPsnrOf
loads=()
for ((i = 0; i < runs; i++)); do
    loads+=("$(cut -d' ' -f1 /proc/loadavg)")
    for e in "${edges[@]}"; do
        src=$work/sources/$e.png
        [ "$i" -gt 0 ] || rm -f "$work/g-$e.txt" "$work/s-$e.txt"
        measure "$work/out-glyphon" "$cli" generate "$src" -o "$work/out-glyphon" >>"$work/g-$e.txt"
        measure "$work/out-sharp" node "$sharpScript" "$src" "$work/out-sharp" >>"$work/s-$e.txt"
        if [ "$i" -eq 0 ]; then
            psnrOf[$e]=$(meanPsnr "$e" "$work/out-glyphon")
            sharpPsnrOf[$e]=$(meanPsnr "$e" "$work/out-sharp")
        fi
    done
done
for e in "${edges[@]}"; do
    wall[$e]=$(cut -d' ' -f1 "$work/g-$e.txt" | median)
    cpu[$e]=$(cut -d' ' -f3 "$work/g-$e.txt" | median)
done

echo "Whole process, one source to the 74 image files of all five platforms: wall and CPU seconds (user +"
echo "system), each against sharp and against the nearest even edge; peak memory; mean PSNR over 16 … 512 px"
printf '%6s %8s %8s %6s %6s %8s %8s %6s %6s %8s %8s %6s %6s\n' edge glyphon sharp ratio "/even" "gl CPU" \
    "sh CPU" ratio "/even" "gl MB" "sh MB" PSNR sharp
# The nearest even edge measured: the one below an odd edge when both neighbours are in the table.
toEven() {
    local e=$1
    local -n name=$2
    if ((e % 2 == 0)); then echo -; elif [ -n "${wall[$((e - 1))]:-}" ]; then
        printf '%.2f' "$(calc "${name[$e]} / ${name[$((e - 1))]}")"
    elif [ -n "${wall[$((e + 1))]:-}" ]; then printf '%.2f' "$(calc "${name[$e]} / ${name[$((e + 1))]}")"; else echo -; fi
}
for e in "${edges[@]}"; do
    s=$(cut -d' ' -f1 "$work/s-$e.txt" | median) sc=$(cut -d' ' -f3 "$work/s-$e.txt" | median)
    peak=$(cut -d' ' -f2 "$work/g-$e.txt" | sort -n | tail -1)
    sharpPeak=$(cut -d' ' -f2 "$work/s-$e.txt" | sort -n | tail -1)
    printf '%6s %7.2fs %7.2fs %6.3f %6s %7.2fs %7.2fs %6.3f %6s %8.0f %8.0f %6.2f %6.2f\n' "$e" "${wall[$e]}" "$s" \
        "$(calc "${wall[$e]} / $s")" "$(toEven "$e" wall)" "${cpu[$e]}" "$sc" "$(calc "${cpu[$e]} / $sc")" \
        "$(toEven "$e" cpu)" "$(calc "$peak / 1024")" "$(calc "$sharpPeak / 1024")" "${psnrOf[$e]}" "${sharpPsnrOf[$e]}"
done
echo "Load (1 minute) at the start of each round: ${loads[*]}; at the end: $(cut -d' ' -f1 /proc/loadavg)"
