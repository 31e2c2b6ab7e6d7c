#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz/) into build/fuzz, replays every
# regression input in tests/fuzz/regressions/<fuzzer>/, then runs each fuzzer
# for a bounded time on a copy of its seed corpus. Ends with one line,
# "N passed, M failed": one count per regression input and one per fuzzer.
# Exit status non-zero on any crash, sanitizer report or build failure.
#
#   tests/fuzz/run.sh [SECONDS]     seconds per fuzzer, 45 unless given
#
# Crash inputs are kept in build/fuzz/artifacts/<fuzzer>/.
set -uo pipefail

seconds=${1:-45}
root=$(cd "$(dirname "$0")/../.." && pwd)
here=$root/tests/fuzz
out=$root/build/fuzz
fuzzers=(fuzz_connection_string fuzz_restore_statement fuzz_tds_decoder)
passed=0
failed=0

summary() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

mkdir -p "$out"
echo "==> building the fuzzers in $out"
if ! command -v clang++ >/dev/null; then
    echo "clang++ is missing (clang and libclang-rt-dev provide libFuzzer)"
    failed=$((failed + 1)); summary; exit 1
fi
if [ ! -f "$out/build.ninja" ] && [ ! -f "$out/Makefile" ]; then
    generator=()
    command -v ninja >/dev/null && generator=(-G Ninja)
    if ! cmake -S "$here" -B "$out" "${generator[@]}" \
            -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >"$out.configure.log" 2>&1; then
        cat "$out.configure.log"
        failed=$((failed + 1)); summary; exit 1
    fi
fi
if ! cmake --build "$out" -j2; then
    failed=$((failed + 1)); summary; exit 1
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# The regression inputs: each one replayed, each one counted.
for fuzzer in "${fuzzers[@]}"; do
    dir=$here/regressions/$fuzzer
    [ -d "$dir" ] || continue
    while IFS= read -r -d '' input; do
        if "$out/$fuzzer" -runs=1 "$input" >"$out/last-replay.log" 2>&1; then
            echo "PASS regression $fuzzer/${input##*/}"
            passed=$((passed + 1))
        else
            tail -n 30 "$out/last-replay.log"
            echo "FAIL regression $fuzzer/${input##*/}"
            failed=$((failed + 1))
        fi
    done < <(find "$dir" -type f ! -name '.*' ! -name '*.md' -print0 | sort -z)
done

# Each fuzzer for a bounded time, one at a time (one core each).
for fuzzer in "${fuzzers[@]}"; do
    corpus=$out/corpus/$fuzzer
    artifacts=$out/artifacts/$fuzzer
    mkdir -p "$corpus" "$artifacts"
    cp -n "$here/corpus/$fuzzer"/* "$corpus"/ 2>/dev/null
    log=$out/$fuzzer.log
    echo "==> $fuzzer for ${seconds}s"
    start=$(date +%s)
    "$out/$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1
    status=$?
    runs=$(grep -E '^stat::number_of_executed_units:' "$log" | awk '{print $2}')
    cov=$(grep -E '^#[0-9]+' "$log" | tail -n1 | sed -E 's/.* cov: ([0-9]+).*/\1/')
    if [ "$status" -eq 0 ]; then
        echo "PASS $fuzzer: ${runs:-?} runs in $(($(date +%s) - start))s, coverage ${cov:-?}, corpus $(ls "$corpus" | wc -l) inputs"
        passed=$((passed + 1))
    else
        tail -n 60 "$log"
        echo "FAIL $fuzzer (exit $status); crash input(s) in $artifacts:"
        ls -1 "$artifacts"
        failed=$((failed + 1))
    fi
done

summary
