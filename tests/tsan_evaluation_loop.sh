#!/usr/bin/env bash
# Runs the evaluation-loop tests under ThreadSanitizer. libgomp is not instrumented, so TSan
# cannot see its barriers and reports every write of the loop as racing with the reads after
# the join; this build uses clang's OpenMP runtime with the Archer tool, which supplies the
# OpenMP synchronisation to TSan. Needs clang, libomp and libarcher (LLVM 14 paths below).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build-tsan}
mkdir -p "$out"
archer=${ARCHER:-/usr/lib/llvm-14/lib/libarcher.so}
clang++ -std=c++20 -O1 -g -fsanitize=thread -fopenmp=libomp -ffp-contract=off \
    -Icommon -Isrc src/evaluation_loop.cpp common/computedistance.cpp \
    common/pearsoncorrelation.cpp common/uniform_draw.cpp common/perm_tj.cpp common/linfit.cpp \
    common/table.cpp tests/test_evaluation_loop.cpp -lgtest -lgtest_main -o "$out/tsan_evaluation_loop"
OMP_TOOL_LIBRARIES="$archer" TSAN_OPTIONS="halt_on_error=1 exitcode=66" \
    "$out/tsan_evaluation_loop"
