#!/usr/bin/env bash
# Times the release binary rendering the 60-second benchmark tune in 16-bit,
# side by side with sox synthesising 60 seconds of four voices, and with
# writing the same number of bytes with head (the floor no renderer can
# beat). Prints the medians of several runs and the two ratios.
#
#   bench/compare.sh [runs] [tune]     (defaults: 15 bench/tunes/sixty)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
tune=${2:-bench/tunes/sixty}

command -v sox >/dev/null || { echo "sox is needed: apt-get install -y sox" >&2; exit 2; }
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target wavelark >/dev/null
binary=build/default/wavelark

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

"$binary" -d "$tune" -o "$scratch/w.wav" -16
bytes=$(stat -c %s "$scratch/w.wav")

# Milliseconds of one run of the command given.
timeit() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

w=() s=() f=()
for ((i = 0; i < runs; i++)); do
    w+=("$(timeit "$binary" -d "$tune" -o "$scratch/w.wav" -16)")
    s+=("$(timeit sox -n -r 44100 -b 16 -c 2 "$scratch/s.wav" synth 60 square 440 0 0 25 \
        triangle 110 whitenoise sine 660 remix 1,3v0.5,4v0.3 2,3v0.5,4v0.7 gain -6)")
    f+=("$(timeit sh -c "head -c $bytes /dev/zero > '$scratch/f.bin'")")
done
wm=$(printf '%s\n' "${w[@]}" | median)
sm=$(printf '%s\n' "${s[@]}" | median)
fm=$(printf '%s\n' "${f[@]}" | median)
echo "median of $runs runs, microseconds: wavelark $wm, sox $sm, write floor $fm ($bytes bytes)"
awk -v w="$wm" -v s="$sm" -v f="$fm" 'BEGIN {
    printf "wavelark is %.1f times faster than sox (goal: at least 15)\n", s / w
    printf "wavelark takes %.2f times the write floor (goal: at most 2)\n", w / f
}'
