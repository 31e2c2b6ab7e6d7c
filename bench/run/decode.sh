# The picture decode: ours against plain libjpeg-turbo calls of the same
# library, natively; with the launcher's own library recipe (what ships) and
# with Debian's build for reference.
# shellcheck shell=bash

decode_once() {  # decode_once PROGRAM BENCHMARK: milliseconds per decode
    "$1" --benchmark_filter="^$2\$" --benchmark_min_time=0.5 --benchmark_format=json 2>/dev/null |
        sed -nE 's/.*"real_time": ([0-9.e+-]+),?/\1/p' | head -n1
}
# decode_figures FOLDER SUFFIX: the rounds of one build of decode_bench.
decode_figures() {
    local program=$BENCH/$1/bench/decode_bench suffix=$2 round name
    say "picture decode ($1): $ROUNDS rounds, ours and libjpeg-turbo alternating"
    for round in $(seq "$ROUNDS"); do
        for name in QzDecode24 LibjpegRgb QzDecode236 LibjpegQuantised236; do
            record "decode-$name$suffix" "$(decode_once "$program" $name)"
        done
        record_ratio "decode-ratio-24$suffix" "decode-QzDecode24$suffix" "decode-LibjpegRgb$suffix"
        record_ratio "decode-ratio-236$suffix" "decode-QzDecode236$suffix" "decode-LibjpegQuantised236$suffix"
    done
}

# bench_decode: the decode figures of both builds of decode_bench.
#   in:  BENCH (native-picture, native), ROUNDS
#   out: the results decode-*; INSTR (instructions of one decode, keyed
#        qz24, rgb, qz236, q236; empty without valgrind)
bench_decode() {
    local which
    decode_figures native-picture ""
    decode_figures native -debian
    # Instructions executed for one decode (valgrind's callgrind), repeatable.
    declare -gA INSTR=()
    command -v valgrind >/dev/null || return 0
    for which in qz24 rgb qz236 q236; do
        INSTR[$which]=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null \
            "$BENCH/native-picture/bench/decode_bench" --once $which 2>&1 | sed -nE 's/.*Collected : ([0-9]+).*/\1/p')
    done
}
