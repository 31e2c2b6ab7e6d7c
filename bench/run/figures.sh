# Small helpers of the benchmarks: the median and spread of recorded figures,
# formatting, and whether a figure met its limit.
# shellcheck shell=bash

# stats FILE: "median min max count" of the numbers in FILE, one a line.
stats() {
    sort -g "$1" | awk '{ v[NR] = $1 } END {
        if (NR == 0) { print "- - - 0"; exit }
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "%.6g %.6g %.6g %d\n", m, v[1], v[NR], NR }'
}
median() { stats "$1" | cut -d' ' -f1; }
spread() { stats "$1" | awk '{ printf "%s–%s", $2, $3 }'; }
# record NAME VALUE: nothing when a measurement gave no value (its warning says why).
record() { [ -z "$2" ] || printf '%s\n' "$2" >>"$RESULTS/$1.txt"; }
last() { tail -n1 "$RESULTS/$1.txt" 2>/dev/null; }  # last NAME: the value recorded last
# record_ratio NAME OURS BASE: the ratio of the values OURS and BASE recorded
# last (in this round), nothing when either is missing.
record_ratio() {
    local r
    r=$(awk -v a="$(last "$2")" -v b="$(last "$3")" 'BEGIN { if (a == "" || b + 0 == 0) exit; printf "%.4f", a / b }')
    [ -n "$r" ] && record "$1" "$r"
}
# record_difference NAME OURS BASE: OURS minus BASE, of the values recorded last.
record_difference() {
    local d
    d=$(awk -v a="$(last "$2")" -v b="$(last "$3")" 'BEGIN { if (a == "" || b == "") exit; print a - b }')
    [ -n "$d" ] && record "$1" "$d"
}
# fmt NUMBER [DECIMALS]
fmt() { awk -v v="$1" -v d="${2:-2}" 'BEGIN { if (v == "-" || v == "") print "–"; else printf "%.*f", d, v }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b + 0 == 0 || a == "-" || b == "-") print "–"; else printf "%.3f", a / b }'; }
# at_most VALUE LIMIT: "met" or "missed"
at_most() { awk -v v="$1" -v l="$2" 'BEGIN { print (v != "–" && v != "" && v + 0 <= l + 0) ? "met" : "missed" }'; }
below() { awk -v v="$1" -v l="$2" 'BEGIN { print (v != "–" && v != "" && v + 0 < l + 0) ? "met" : "missed" }'; }
now_ms() { date +%s%3N; }
