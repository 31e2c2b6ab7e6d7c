# Sourced by the static checks: counting checks and the closing line.
# shellcheck shell=bash

passed=0
failed=0

check() {  # check <description> <command...>
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $what"
    fi
}

checks_finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
