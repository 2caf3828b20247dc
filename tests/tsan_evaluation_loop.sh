#!/usr/bin/env bash
# Runs the evaluation-loop tests and the whole job under ThreadSanitizer. libgomp is not
# instrumented, so TSan cannot see its barriers and reports every write of the loop as racing
# with the reads after the join; this build uses clang's OpenMP runtime with the Archer tool,
# which supplies the OpenMP synchronisation to TSan. Needs clang, libomp and libarcher (LLVM 14
# paths below).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build-tsan}
mkdir -p "$out"
archer=${ARCHER:-/usr/lib/llvm-14/lib/libarcher.so}
clang++ -std=c++20 -O1 -g -fsanitize=thread -fopenmp=libomp -ffp-contract=off \
    -Icommon -Isrc src/evaluation_loop.cpp common/computedistance.cpp \
    common/pearsoncorrelation.cpp common/uniform_draw.cpp common/perm_tj.cpp common/linfit.cpp \
    common/table.cpp tests/test_evaluation_loop.cpp -lgtest -lgtest_main -o "$out/tsan_evaluation_loop"
# The OpenMP runtime itself is not instrumented; without ignore_noninstrumented_modules TSan
# reports races inside it (its own mutex set-up) before any of ours.
export OMP_TOOL_LIBRARIES="$archer"
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 ignore_noninstrumented_modules=1"
"$out/tsan_evaluation_loop"

# The whole program on the end-to-end fixture job (ER uniform, so the random fallbacks are drawn
# inside the loop), with 3 threads; its result file must equal the one-thread run's.
clang++ -std=c++20 -O1 -g -fsanitize=thread -fopenmp=libomp -ffp-contract=off \
    -DVARANDEL_VERSION='"tsan"' -Icommon -Isrc common/*.cpp src/*.cpp -o "$out/varandel"
job=$(mktemp -d)
trap 'rm -rf "$job"' EXIT
for t in 1 3; do
    "$out/varandel" tests/fixtures/job/data.txt tests/fixtures/job/map.txt "$job/result_$t.txt" \
        "$job/job.log" 1000 4 2 "$t" --seed 7 >/dev/null
done
cmp "$job/result_1.txt" "$job/result_3.txt"
echo "ThreadSanitizer: evaluation loop tests and the whole job clean"
