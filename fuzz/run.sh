#!/usr/bin/env bash
# Builds the fuzz targets and fuzzes each for a bounded time; exits non-zero
# on the first finding (crash, sanitizer report, failed message check,
# timeout or memory blow-up), whose input is kept in build/fuzzers/findings.
# Usage: fuzz/run.sh [seconds per target, default 60] [target ...]
# Installs clang and its fuzzer runtime with apt-get when they are missing.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(notation_fuzzer tune_fuzzer)

# clang brings the compiler; the libFuzzer and sanitizer runtimes are in
# libclang-rt-<major>-dev, which clang only recommends. llvm-symbolizer
# (package llvm) turns the addresses of a report into file:line.
runtime() { echo "$(clang++ -print-resource-dir)/lib/linux/libclang_rt.fuzzer-$(uname -m).a"; }
install() {
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y "$@"
}
command -v clang++ >/dev/null 2>&1 || install clang
if [ ! -f "$(runtime)" ]; then
    major="$(clang++ -dumpversion | cut -d. -f1)"
    install "libclang-rt-$major-dev"
fi
command -v llvm-symbolizer >/dev/null 2>&1 || install llvm

out="$root/build/fuzzers"
"$root/fuzz/build.sh" "$out"
mkdir -p "$out/findings"

for target in "${targets[@]}"; do
    # New inputs go to a scratch corpus; the kept corpus is read, never
    # written, so a run leaves the repository as it was.
    work="$(mktemp -d "${TMPDIR:-/tmp}/wavelark-corpus-XXXXXX")"
    trap 'rm -rf "$work"' EXIT
    echo "fuzzing $target for $seconds s"
    "$out/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
        -dict="$root/fuzz/${target%_fuzzer}.dict" -artifact_prefix="$out/findings/$target-" \
        -print_final_stats=1 "$work" "$root/fuzz/corpus/$target" 2>"$out/$target.log" || {
        tail -n 60 "$out/$target.log"
        echo "fuzz: $target found a fault; the input is in $out/findings" >&2
        exit 1
    }
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' "$out/$target.log"
    rm -rf "$work"
    trap - EXIT
done
