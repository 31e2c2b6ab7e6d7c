# The picture decode: ours against plain libjpeg-turbo, natively.
# shellcheck shell=bash

say "picture decode: $ROUNDS rounds, ours and libjpeg-turbo alternating"
DECODE=$BENCH/native/bench/decode_bench
decode_once() {  # decode_once BENCHMARK: milliseconds per decode
    "$DECODE" --benchmark_filter="^$1\$" --benchmark_min_time=0.5 --benchmark_format=json 2>/dev/null |
        sed -nE 's/.*"real_time": ([0-9.e+-]+),?/\1/p' | head -n1
}
for round in $(seq "$ROUNDS"); do
    for name in QzDecode24 LibjpegRgb QzDecode236 LibjpegQuantised236; do
        record "decode-$name" "$(decode_once $name)"
    done
done
# Instructions executed for one decode (valgrind's callgrind), repeatable.
declare -A INSTR
if command -v valgrind >/dev/null; then
    for which in qz24 rgb qz236 q236; do
        INSTR[$which]=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$DECODE" --once $which 2>&1 |
            sed -nE 's/.*Collected : ([0-9]+).*/\1/p')
    done
fi
