#!/usr/bin/env bash
# Times the whole job, start to end, on generated data: 14 markers, nref 6, so 8 test markers
# (20160 orderings a combination) and all C(14, 6) = 3003 combinations, once per thread count.
# Prints the best wall time of REPEAT runs per thread count and the speed-up over the first
# count, and checks that every thread count wrote the same result file.
#
#   bench/job_bench.sh                 # build/varandel, 1 and 2 threads, 1 run each
#   THREADS="1 2 4" REPEAT=3 bench/job_bench.sh
#   VARANDEL=build-x/varandel SAMPLES=400 bench/job_bench.sh
#   ENGINES="reference auto" bench/job_bench.sh   # also checks the engines agree
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${VARANDEL:-$root/build/varandel}
threads=${THREADS:-1 2}
repeat=${REPEAT:-1}
samples=${SAMPLES:-200}
engines=${ENGINES:-auto}
[ -x "$bin" ] || { echo "no program at $bin (build it first: make)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 14 markers driven by three latent factors plus noise, a header line and line names.
python3 - "$work" "$samples" <<'EOF'
import random, sys
work, samples = sys.argv[1], int(sys.argv[2])
rng = random.Random(14)
loadings = [(rng.uniform(-1, 1), rng.uniform(-1, 1), rng.uniform(-1, 1)) for _ in range(14)]
with open(f"{work}/data.txt", "w") as f:
    f.write("core\t" + "\t".join(f"M{j + 1}" for j in range(14)) + "\n")
    for s in range(samples):
        latent = [rng.gauss(0, 1) for _ in range(3)]
        values = [20 + 8 * (sum(a * l for a, l in zip(load, latent)) + 0.6 * rng.gauss(0, 1))
                  for load in loadings]
        f.write(f"S{s + 1}\t" + "\t".join(f"{v:.3f}" for v in values) + "\n")
with open(f"{work}/map.txt", "w") as f:
    f.write("Y\tY\t" + "\t".join(str(j + 1) for j in range(14)) + "\n")
EOF

echo "job: 14 markers, nref 6, ntest 8, 3003 combinations, $samples samples; $bin"
printf '%10s  %8s  %10s  %8s\n' engine threads seconds speed-up
base=""
first=""
for engine in $engines; do
for t in $threads; do
    best=""
    for ((r = 0; r < repeat; r++)); do
        start=$(date +%s.%N)
        "$bin" "$work/data.txt" "$work/map.txt" "$work/result_$t.txt" "$work/job.log" \
            2147483647 6 6 "$t" --seed 1 --engine "$engine" >/dev/null
        end=$(date +%s.%N)
        best=$(awk -v s="$start" -v e="$end" -v b="$best" \
            'BEGIN { d = e - s; if (b == "" || d < b) b = d; printf "%.3f", b }')
    done
    [ -n "$base" ] || base=$best
    printf '%10s  %8s  %10s  %8s\n' "$engine" "$t" "$best" "$(awk -v b="$base" -v x="$best" \
        'BEGIN { printf "%.2f", b / x }')"
    mv "$work/result_$t.txt" "$work/result_${engine}_$t.txt"
    lines=$(wc -l <"$work/result_${engine}_$t.txt")
    [ "$lines" -eq 3003 ] || { echo "result file has $lines lines, 3003 expected" >&2; exit 1; }
    if [ -z "$first" ]; then
        first=${engine}_$t
    elif ! cmp -s "$work/result_$first.txt" "$work/result_${engine}_$t.txt"; then
        echo "result files of $first and ${engine}_$t differ" >&2
        exit 1
    fi
done
done
echo "result files identical for all engines and thread counts"
