# What the folder tree's time is made of, each part on its own.
# shellcheck shell=bash

# bench_tree_parts: what the folder tree's time is made of.
#   in:  FOLDERS (bench_launcher_runs), the session, PART_ROUNDS
#   out: the results parts-* and steps-*; STEPS, the per-folder calls timed
bench_tree_parts() {
    local round count folder part step
    say "folder tree: its parts, $PART_ROUNDS rounds"
    for round in $(seq "$PART_ROUNDS"); do
        for count in 1000 10000; do
            folder=$(windows_path "$FOLDERS/big$count")
            # The launcher's own listing (the shell's calls it makes per folder), in-process.
            qz_wine "$E2E_MEDIA/subfolders_timer.exe" "$folder" >"$E2E_WORK/parts.out"
            record "parts-subfolders-$count" "$(value_of subfolders_ms <"$E2E_WORK/parts.out")"
            # A tree view alone: the same number of items inserted, expanded and painted.
            qz_wine "$E2E_MEDIA/tree_insert.exe" --count $count --images >"$E2E_WORK/parts.out"
            for part in insert expand paint; do
                record "parts-tree-$part-$count" "$(value_of ${part}_ms <"$E2E_WORK/parts.out")"
            done
        done
    done
    # Each per-folder call the tree could make, added to the bare listing of 1,000.
    say "folder tree: the shell's per-folder calls"
    STEPS="attributes subfolders names sort icons"
    for round in $(seq "$PART_ROUNDS"); do
        for step in "" $STEPS; do
            qz_wine "$E2E_MEDIA/shell_list.exe" --add "${step:-none}" "$(windows_path "$FOLDERS/big1000")" >"$E2E_WORK/parts.out"
            record "steps-${step:-none}" "$(value_of list_ms <"$E2E_WORK/parts.out")"
        done
    done
}
