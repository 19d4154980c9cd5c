#!/usr/bin/env bash
# Many implicants, few implicates: P pairs (x1 ∨ x2), (x3 ∨ x4), ... linked by P - 1 clauses
# (¬x2i ∨ x2i+1 ∨ ±x2i+2), negative every third. 21 pairs have 279936 prime implicants and 35
# prime implicates, all found by the transversal engine: the implicates are the minimal
# transversals of the implicants. For each P, each binary: median user CPU (cpu_time of
# -stats-json) of REPS runs, interleaved, the primes, the cost per prime and the peak memory.
# A run cut at LIMIT seconds of CPU shows as ">LIMIT".
#
#   bench/linked_pairs.sh BINARY [BINARY...]     environment: REPS=3 LIMIT=60 PS="16 18 20 21 22 23"
set -euo pipefail
reps=${REPS:-3} limit=${LIMIT:-60} ps=${PS:-16 18 20 21 22 23}
bins=("$@")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

printf '%-4s %-24s' P primes
for b in "${bins[@]}"; do printf ' %-36s' "$(basename "$b")"; done
echo
for p in $ps; do
    f=$tmp/pairs.cnf
    awk -v P="$p" 'BEGIN {
        print "p cnf", 2 * P, 2 * P - 1
        for (i = 0; i < P; i++) print 2 * i + 1, 2 * i + 2, 0
        for (i = 0; i + 1 < P; i++) print -(2 * i + 2), 2 * i + 3, (i % 3 == 0 ? -1 : 1) * (2 * i + 4), 0
    }' > "$f"
    declare -A times=() mems=()
    primes=
    for ((r = 0; r < reps; r++)); do
        for b in "${bins[@]}"; do
            "$b" -cpu-lim="$limit" -stats-json="$tmp/s.json" "$f" > /dev/null 2>&1 || true
            read -r t n e m <<< "$(python3 -c 'import json, sys; d = json.load(open(sys.argv[1]))
print(d["cpu_time"], d["implicants"] + d["implicates"], d["end"], round(d["peak_memory_mb"]))' "$tmp/s.json")"
            [ "$e" = complete ] && primes=$n || t=">$limit"
            times[$b]+="$t "
            mems[$b]=$m
        done
    done
    printf '%-4s %-24s' "$p" "${primes:-?}"
    for b in "${bins[@]}"; do
        med=$(tr ' ' '\n' <<< "${times[$b]}" | grep -v '^$' | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}')
        per=$(awk -v t="$med" -v p="${primes:-0}" 'BEGIN { if (p > 0 && t !~ />/) printf "%.2f", t / p * 1e6; else print "-" }')
        printf ' %-36s' "$med s, $per us, ${mems[$b]} MB"
    done
    echo
    unset times mems
done
