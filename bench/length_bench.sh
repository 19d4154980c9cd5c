#!/usr/bin/env bash
# The length bound on random 3-CNF (random3cnf.awk, seed 1, uniform): for each n and m/n, the
# unbounded run of the first binary stopped after CAP seconds of user CPU (its cost per prime
# over what it printed), then `-max-len=K` for each K with every binary, interleaved, REPS
# times: median user CPU (cpu_time of -stats-json), primes, and cost per printed prime. A
# bounded run cut at LIMIT seconds shows as ">LIMIT".
#
#   bench/length_bench.sh BINARY [BINARY...]     environment: REPS=3 CAP=8 LIMIT=120 KS="3 4"
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
reps=${REPS:-3} cap=${CAP:-8} limit=${LIMIT:-120} ks=${KS:-3 4}
bins=("$@")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# One run: BINARY SECONDS ARGS... -> "cpu primes end"
run() {
    local bin=$1 secs=$2
    shift 2
    "$bin" -cpu-lim="$secs" -stats-json="$tmp/s.json" "$@" > /dev/null 2>&1 || true
    python3 -c 'import json, sys; d = json.load(open(sys.argv[1]))
print(d["cpu_time"], (d["implicants"] or 0) + (d["implicates"] or 0), d["end"])' "$tmp/s.json"
    rm -f "$tmp/s.json"
}
us() { awk -v t="$1" -v p="$2" 'BEGIN { if (p > 0) printf "%.2f", t / p * 1e6; else print "-" }'; }

printf '%-8s %-32s' "n,m/n" "unbounded (cut at ${cap} s)"
for k in $ks; do for b in "${bins[@]}"; do printf ' %-28s' "K=$k $(basename "$b")"; done; done
echo
for row in "60 2" "60 3" "80 2" "80 3" "80 4" "100 2" "100 3" "100 4"; do
    set -- $row
    n=$1 m=$(($1 * $2)) ratio=$2
    f=$tmp/r.cnf
    awk -v n="$n" -v m="$m" -v seed=1 -v hidden=none -f "$here/random3cnf.awk" > "$f"
    read -r t p e <<< "$(run "${bins[0]}" "$cap" "$f")"
    printf '%-8s %-32s' "$n,$ratio" "$e, $p in $t s, $(us "$t" "$p") us"
    for k in $ks; do
        declare -A times=()
        primes=()
        for ((r = 0; r < reps; r++)); do
            for b in "${bins[@]}"; do
                read -r t p e <<< "$(run "$b" "$limit" -max-len="$k" "$f")"
                [ "$e" = complete ] || t=">$limit"
                times[$b]+="$t "
                primes+=("$p")
            done
        done
        for b in "${bins[@]}"; do
            med=$(tr ' ' '\n' <<< "${times[$b]}" | grep -v '^$' | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}')
            printf ' %-28s' "$med s, ${primes[0]}, $(us "${med#>}" "${primes[0]}") us"
        done
        unset times
    done
    echo
done
