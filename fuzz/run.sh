#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer + UndefinedBehaviorSanitizer) and
# runs each for a bounded time on a scratch copy of its seed corpus. Exits non-zero on any
# crash, leak, timeout, memory blow-up or sanitizer report; the input that caused it is kept
# under $BUILD/artifacts/<target>/.
#
#   fuzz/run.sh [seconds per target, default 60] [target ...]
#
# Environment: BUILD (build directory, default build-fuzz), CXX (default clang++), JOBS.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(value_reader mapping_reader data_reader)
build=${BUILD:-build-fuzz}
jobs=${JOBS:-2}

cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER="${CXX:-clang++}" >/dev/null
cmake --build "$build" -j "$jobs"

# Every report stops the target; leaks are checked at exit and after each input.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:allocator_may_return_null=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

status=0
for t in "${targets[@]}"; do
    exe="$build/fuzz_$t"
    seeds="fuzz/corpus/$t"
    [ -x "$exe" ] || { echo "fuzz/run.sh: no target $t" >&2; exit 2; }
    # The committed corpus is only read: the fuzzer grows a scratch copy.
    scratch="$build/work/$t"
    artifacts="$build/artifacts/$t"
    rm -rf "$scratch" "$artifacts"
    mkdir -p "$scratch/corpus" "$scratch/tmp" "$artifacts"
    cp "$seeds"/* "$scratch/corpus/"
    echo "== fuzz $t for ${seconds} s"
    if TMPDIR="$scratch/tmp" "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -malloc_limit_mb=2048 -max_len=8192 -dict=fuzz/readers.dict -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$scratch/corpus" >"$scratch/log" 2>&1; then
        tail -n 12 "$scratch/log" | grep -E '^(stat::number_of_executed_units|stat::new_units_added|Done)' || true
    else
        status=1
        echo "fuzz/run.sh: $t FAILED; last lines of its log ($scratch/log):" >&2
        tail -n 60 "$scratch/log" >&2
        ls -l "$artifacts" >&2
    fi
    # A run that ends early without a crash report (the fuzzer itself failing) is also a failure.
    if ! grep -q '^Done ' "$scratch/log" && [ $status -eq 0 ]; then
        status=1
        echo "fuzz/run.sh: $t did not finish its run" >&2
        tail -n 30 "$scratch/log" >&2
    fi
done
[ $status -eq 0 ] && echo "fuzz/run.sh: all targets clean"
exit $status
