#!/usr/bin/env bash
# Clauses of at most two literals: random 2-CNF (random2cnf.awk) with up to millions of prime
# implicants and a few hundred prime implicates. For each formula, each binary and each query
# (both sides; -side=implicates): the median user CPU (cpu_time of -stats-json) of REPS runs,
# interleaved, the primes of the asked side and the peak memory. A run cut at LIMIT seconds of
# CPU shows as ">LIMIT" with the primes it printed.
#
#   bench/two_literal.sh BINARY [BINARY...]   environment: REPS=3 LIMIT=60 ROWS="60:1 60:3 70:1 80:3 100:1"
set -euo pipefail
reps=${REPS:-3} limit=${LIMIT:-60} rows=${ROWS:-60:1 60:3 70:1 80:3 100:1}
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

for row in $rows; do
    n=${row%:*} seed=${row#*:}
    awk -v n="$n" -v m="$n" -v seed="$seed" -f "$here/random2cnf.awk" > "$tmp/f.cnf"
    for query in "" -side=implicates; do
        for b in "$@"; do
            : > "$tmp/$(basename "$b").runs"
        done
        for ((r = 0; r < reps; r++)); do
            for b in "$@"; do
                "$b" $query -cpu-lim="$limit" -stats-json="$tmp/s.json" "$tmp/f.cnf" > /dev/null 2>&1 || true
                python3 -c 'import json, sys; d = json.load(open(sys.argv[1]))
print(d["cpu_time"], (d["implicants"] or 0) + (d["implicates"] or 0), d["end"], round(d["peak_memory_mb"]))' \
                    "$tmp/s.json" >> "$tmp/$(basename "$b").runs"
            done
        done
        for b in "$@"; do
            sort -g "$tmp/$(basename "$b").runs" | awk -v row="n=m=$n seed $seed ${query:-both}" -v b="$(basename "$b")" \
                -v lim="$limit" '{t[NR] = $1; p[NR] = $2; e[NR] = $3; mem[NR] = $4}
                END {i = int((NR + 1) / 2); printf "%-34s %-14s %s s, %s primes, %s MB\n", row, b,
                     (e[i] == "complete" ? t[i] : ">" lim), p[i], mem[i]}'
        done
    done
done
