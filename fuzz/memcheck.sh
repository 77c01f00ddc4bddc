#!/usr/bin/env bash
# Runs the uninstrumented release binary under valgrind memcheck: every
# example tune in 8-bit and in 16-bit with a gain, and a run that stops on a
# notation error. AddressSanitizer does not see reads of uninitialised
# memory, and an uninitialised value in the mix would change the samples
# from run to run; memcheck does see them, in the binary that ships.
# Usage: fuzz/memcheck.sh [wavelark binary, default build/default/wavelark]
# Installs valgrind with apt-get when it is missing.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
binary="${1:-$root/build/default/wavelark}"
if ! command -v valgrind >/dev/null 2>&1; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y valgrind
fi

scratch="$(mktemp -d "${TMPDIR:-/tmp}/wavelark-memcheck-XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
memcheck=(valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite)

for tune in "$root"/examples/*/; do
    [ -f "$tune/channels.txt" ] || continue
    echo "memcheck: $(basename "$tune")"
    "${memcheck[@]}" "$binary" -d "$tune" -o "$scratch/out8.wav"
    "${memcheck[@]}" "$binary" -d "$tune" -o "$scratch/out16.wav" -16 -g 0.7
done

# A notation error ends the run from inside rendering, with the temporary
# file open: status 1 is expected, any memcheck error gives 99.
mkdir "$scratch/bad"
printf '2 3 4\n' >"$scratch/bad/channels.txt"
printf 'l100c1 w(0)1 *1 x' >"$scratch/bad/channel0.wlk"
printf 'l100i.s-500~10c2' >"$scratch/bad/channel1.wlk"
status=0
"${memcheck[@]}" "$binary" -d "$scratch/bad" -o "$scratch/bad.wav" >/dev/null || status=$?
if [ "$status" -ne 1 ]; then
    echo "memcheck: the bad tune ended with status $status, expected 1" >&2
    exit 1
fi
echo "memcheck: clean"
