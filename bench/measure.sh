# Timing helpers shared by the comparison scripts; sourced, with $work set to the scratch folder.

# Wall seconds, peak resident kilobytes and CPU seconds (user + system) of one run into a fresh folder.
measure() {
    local out=$1
    shift
    rm -rf "$out"
    /usr/bin/time -f "%e %M %U %S" -o "$work/time.txt" "$@" >/dev/null 2>&1 || {
        echo "failed: $*" >&2
        exit 1
    }
    awk '{printf "%s %s %.2f\n", $1, $2, $3 + $4}' "$work/time.txt"
}
median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
