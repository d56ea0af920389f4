#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, in a build folder of their own) and runs each one, one after the
# other, for the given number of seconds (default 60); prints the executions and findings per target.
#   fuzz/run.sh [seconds] [target...]      e.g.  fuzz/run.sh 5   (a smoke run)   fuzz/run.sh 600 cookies
# The seed corpus of a target is fuzz/corpus/<target>/; what a run learns is kept in
# <build>/fuzz-corpus/<target>/, and an input that breaks a target in <build>/fuzz-findings/<target>/.
# Exits with 1 when a target fails to build, stops with a finding, or does not run at all.
# PICTOFERRY_FUZZ_SEED fixes libFuzzer's random seed, so that a run can be repeated input for input.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
shift || true
build="${PICTOFERRY_FUZZ_BUILD:-build-fuzz}"
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
    targets=(profile_file proxy_dat script_reader request_builder extract cookies command_line journal link_types sxcu_file
        sxcu_value)
fi

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DPICTOFERRY_FUZZ=ON -DPICTOFERRY_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" --target "${targets[@]/#/fuzz_}" -- -j"${PICTOFERRY_FUZZ_JOBS:-2}" >/dev/null

export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
# The targets write their files below TMPDIR; settings files are saved with fsync, which costs little on a
# memory file system.
if [[ -z "${TMPDIR:-}" && -d /dev/shm && -w /dev/shm ]]; then
    TMPDIR=$(mktemp -d /dev/shm/pictoferry-fuzz.XXXXXX)
    export TMPDIR
    trap 'rm -rf -- "$TMPDIR"' EXIT
fi
status=0
report=()
for target in "${targets[@]}"; do
    corpus="$build/fuzz-corpus/$target"
    findings="$build/fuzz-findings/$target"
    log="$build/fuzz-logs/$target.log"
    mkdir -p "$corpus" "$findings" "$(dirname "$log")"
    options=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$findings/")
    [[ -f "fuzz/dict/$target.dict" ]] && options+=(-dict="fuzz/dict/$target.dict")
    [[ -n "${PICTOFERRY_FUZZ_SEED:-}" ]] && options+=(-seed="$PICTOFERRY_FUZZ_SEED")

    before=$(find "$findings" -type f | wc -l)
    rc=0
    "$build/fuzz/fuzz_$target" "${options[@]}" "$corpus" "fuzz/corpus/$target" >"$log" 2>&1 || rc=$?
    found=$(( $(find "$findings" -type f | wc -l) - before ))
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    result="ok"
    if [[ $found -gt 0 ]]; then
        result="FINDING: $findings/$(ls -t "$findings" | head -n 1)"
        status=1
        # What broke and the input that broke it, so that a run whose files are gone (CI) still tells.
        grep -E '^(== |==[0-9]+==|SUMMARY|Base64:| +#[0-9]+ )' "$log" | head -n 40 || true
    elif [[ $rc -ne 0 ]]; then
        result="FAILED (exit $rc, see $log)"
        status=1
    fi
    report+=("$(printf '%-16s %6ss %12s executions %3d findings  %s' "$target" "$seconds" "${executions:-?}" "$found" "$result")")
    echo "${report[-1]}"
done

echo
echo "Fuzzing summary (logs in $build/fuzz-logs/):"
printf '%s\n' "${report[@]}"
exit $status
