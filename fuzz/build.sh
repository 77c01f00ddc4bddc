#!/usr/bin/env bash
# Builds the libFuzzer targets notation_fuzzer and tune_fuzzer with clang,
# from the renderer and generator sources (the driver is not part of them).
# Usage: fuzz/build.sh [output directory, default build/fuzzers]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/build/fuzzers}"
cxx="${CXX_FUZZ:-clang++}"
mkdir -p "$out/obj"

# The sample values depend on every rounding step: no contraction, never
# fast-math. WAVELARK_FUZZ turns the fatal path into a thrown fatalrun.
common=(-std=c++20 -g -O1 -fno-omit-frame-pointer -ffp-contract=off -fno-fast-math
        -Wall -Wextra -Wpedantic -DWAVELARK_FUZZ -I"$root"
        -fsanitize=address,undefined,float-cast-overflow,float-divide-by-zero
        -fno-sanitize-recover=all)

objects=()
for source in "$root"/renderer/*.cpp "$root"/generators/*.cpp "$root"/fuzz/harness.cpp; do
    name="$(basename "$(dirname "$source")")_$(basename "$source" .cpp).o"
    object="$out/obj/$name"
    if [ ! -f "$object" ] || [ "$source" -nt "$object" ] ||
        [ -n "$(find "$root/renderer" "$root/generators" "$root/fuzz" -name '*.h' -newer "$object")" ]; then
        "$cxx" "${common[@]}" -fsanitize=fuzzer-no-link -c "$source" -o "$object"
    fi
    objects+=("$object")
done

for target in notation_fuzzer tune_fuzzer; do
    "$cxx" "${common[@]}" -fsanitize=fuzzer "$root/fuzz/$target.cpp" "${objects[@]}" \
        -o "$out/$target"
done
echo "built $out/notation_fuzzer and $out/tune_fuzzer"
