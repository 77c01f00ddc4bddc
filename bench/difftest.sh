#!/usr/bin/env bash
# Differential check of two builds: renders random valid tunes with the
# wavelark of a git revision (default HEAD) and with the working tree, in
# 8-bit and 16-bit with varied block sizes and gains, and compares the files
# byte for byte. Any difference fails. Run it for every change to the
# per-frame code.
#
#   bench/difftest.sh [count] [revision]     (defaults: 300 HEAD)
#   bench/difftest.sh 300 HEAD~3 ; BEFORE=/path/to/wavelark bench/difftest.sh
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-300}
revision=${2:-HEAD}

scratch=$(mktemp -d)
trap 'git worktree remove --force "$scratch/before" >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT

if [ -n "${BEFORE:-}" ]; then
    before=$BEFORE
else
    git worktree add --detach "$scratch/before" "$revision" >/dev/null 2>&1
    cmake -S "$scratch/before" -B "$scratch/before/build" -DCMAKE_BUILD_TYPE=Release \
        -DWAVELARK_TESTS=OFF >/dev/null
    cmake --build "$scratch/before/build" -j2 --target wavelark >/dev/null
    before=$scratch/before/build/wavelark
fi
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target wavelark >/dev/null
after=build/default/wavelark

passed=0 failed=0
for ((seed = 1; seed <= count; seed++)); do
    tune=$scratch/tune$seed
    python3 bench/difftest/gentune.py "$seed" "$tune"
    blocks=(1 7 11025 4096)
    gains=(1 1 1 0.5 1.5 0.9999999 3 70000 -2)
    options=(-s "${blocks[seed % 4]}" -g "${gains[seed % 9]}")
    for width in 8 16; do
        extra=()
        [ "$width" = 16 ] && extra=(-16)
        status_a=0 status_b=0
        "$before" -d "$tune" -o "$scratch/a.wav" "${options[@]}" "${extra[@]}" \
            >"$scratch/a.out" 2>&1 || status_a=$?
        "$after" -d "$tune" -o "$scratch/b.wav" "${options[@]}" "${extra[@]}" \
            >"$scratch/b.out" 2>&1 || status_b=$?
        if [ "$status_a" != "$status_b" ] || ! cmp -s "$scratch/a.out" "$scratch/b.out" ||
            { [ "$status_a" = 0 ] && ! cmp -s "$scratch/a.wav" "$scratch/b.wav"; }; then
            failed=$((failed + 1))
            kept=bench/difftest/failed/$seed
            mkdir -p "$kept" && cp "$tune"/* "$kept"/
            echo "seed $seed, $width-bit, ${options[*]}: outputs differ (tune kept in $kept)"
        else
            passed=$((passed + 1))
        fi
        rm -f "$scratch/a.wav" "$scratch/b.wav"
    done
    rm -rf "$tune"
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
