#!/usr/bin/env bash
# jmPass of the native libvorta.so under valgrind: a small program
# (jmpass_check.cpp) loads the library with dlopen and checks the known
# vectors, a null pointer and long passwords, each in a heap block of exactly
# its size, under memcheck with full leak checking. Uses
# build/native/checksum/libvorta.so, building it with the native preset when
# it is missing. Ends with "N passed, M failed"; exit status 1 on any failure
# or valgrind error.
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
here=$root/tests/valgrind
out=$root/build/valgrind
library=$root/build/native/checksum/libvorta.so
mkdir -p "$out"

fail() {
    echo "$1"
    echo "0 passed, 1 failed"
    exit 1
}

command -v valgrind >/dev/null || fail "valgrind is missing"
if [ ! -f "$library" ]; then
    echo "==> building libvorta.so (native preset)"
    (cd "$root" && cmake --preset native >/dev/null && cmake --build --preset native --target vorta) ||
        fail "could not build libvorta.so"
fi

compiler=${CXX:-c++}
"$compiler" -std=c++20 -g -O0 -Wall -Wextra -I"$root/tests/common" \
    -o "$out/jmpass_check" "$here/jmpass_check.cpp" -ldl || fail "could not build jmpass_check"

echo "==> valgrind: jmPass of $library"
valgrind --error-exitcode=1 --leak-check=full --show-leak-kinds=definite,indirect,possible \
    --errors-for-leak-kinds=definite,indirect,possible --track-origins=yes \
    --log-file="$out/valgrind.log" "$out/jmpass_check" "$library" >"$out/check.log" 2>&1
status=$?
grep -vE "^[0-9]+ passed, [0-9]+ failed$" "$out/check.log"
grep -E 'ERROR SUMMARY|definitely lost|indirectly lost|possibly lost|All heap blocks' "$out/valgrind.log"

line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$out/check.log" | tail -n1)
passed=$(sed -E 's/^([0-9]+) passed.*/\1/' <<<"${line:-0 passed, 0 failed}")
failed=$(sed -E 's/.* ([0-9]+) failed$/\1/' <<<"${line:-0 passed, 0 failed}")
# A valgrind error (invalid read, leak) is one more failure of its own.
if [ "$status" -ne 0 ]; then
    echo "valgrind reported errors (exit $status); see $out/valgrind.log:"
    sed -n '/Invalid\|uninitialised\|lost in/,+8p' "$out/valgrind.log" | head -n 60
    failed=$((failed + 1))
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
