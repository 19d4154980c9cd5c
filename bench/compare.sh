#!/usr/bin/env bash
# Before/after comparison of whole runs: builds COMMIT (default: the last commit of branch main)
# and the working tree in release mode, then runs both binaries, interleaved, on a fixed set of
# formulas, REPS times each (default 3), and prints per formula the median user CPU time of each
# build, their ratio (baseline / working tree) and the peak resident memory (ru_maxrss, largest
# over the repetitions). Every run is limited to LIMIT seconds (default 120); a run that hits
# the limit shows as ">LIMIT". The binaries run as `primal FILE` (no -print_all, output
# discarded); the prime counts of the two builds are compared and a difference is reported.
#
#   bench/compare.sh [COMMIT]            environment: REPS=3 LIMIT=120 ONLY=regex
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
commit=${1:-$(git -C "$repo" rev-parse main)}
reps=${REPS:-3}
limit=${LIMIT:-120}
only=${ONLY:-.}
shared=${SHARED:-/work/shared/instances}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

echo "baseline: $(git -C "$repo" rev-parse --short "$commit"), working tree: $repo"
mkdir -p "$tmp/base-src"
git -C "$repo" archive "$commit" | tar -x -C "$tmp/base-src"
for b in base work; do
    src=$tmp/base-src
    [ "$b" = work ] && src=$repo
    cmake -S "$src" -B "$tmp/$b-build" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
    cmake --build "$tmp/$b-build" -j2 --target primal > /dev/null
done

# Generated formulas.
f=$tmp/formulas
mkdir -p "$f"
disjoint() { # k clauses (2i-1 2i): 2^k prime implicants
    { echo "p cnf $((2 * $1)) $1"; for ((i = 1; i <= $1; i++)); do echo "$((2 * i - 1)) $((2 * i)) 0"; done; } > "$f/disjoint_$1.cnf"
}
units() { # n unit clauses: one prime implicant, n prime implicates
    { echo "p cnf $1 $1"; for ((i = 1; i <= $1; i++)); do echo "$i 0"; done; } > "$f/units_$1.cnf"
}
oneclause() { # one clause of k literals: k prime implicants
    { echo "p cnf $1 1"; for ((i = 1; i <= $1; i++)); do printf '%d ' "$i"; done; echo 0; } > "$f/clause_$1.cnf"
}
random3() { # random 3-CNF over $1 variables with $2 clauses, seed $3 (three distinct variables)
    awk -v n="$1" -v m="$2" -v seed="$3" 'BEGIN { srand(seed); print "p cnf " n " " m
        for (c = 0; c < m; c++) { a = 1 + int(rand() * n); do b = 1 + int(rand() * n); while (b == a)
            do d = 1 + int(rand() * n); while (d == a || d == b)
            printf "%d %d %d 0\n", (rand() < 0.5 ? -a : a), (rand() < 0.5 ? -b : b), (rand() < 0.5 ? -d : d) } }' \
        > "$f/random3_$1_$2_$3.cnf"
}
disjoint 16; disjoint 18; units 20000; units 100000; oneclause 20000; random3 40 120 1

formulas=(
    "$shared/cbs-k3-n100-m403-b10/CBS_k3_n100_m403_b10_1.cnf"
    "$shared/kc-problog/gh_4_prob.lp.cnf"
    "$f/disjoint_16.cnf" "$f/disjoint_18.cnf"
    "$f/units_20000.cnf" "$f/units_100000.cnf"
    "$f/clause_20000.cnf"
    "$shared/kc-problog/smokers_6_4_prob.lp.cnf|30"
    "$shared/cbs-k3-n100-m403-b10/CBS_k3_n100_m403_b10_0.cnf"
    "$f/random3_40_120_1.cnf"
)
# An entry FILE|CAP runs with -cpu-lim=CAP: such a run is cut short, and it is compared by the
# number of primes found within the cap (ratio: working tree / baseline) instead of by time.

have_time=0
[ -x /usr/bin/time ] && have_time=1

# run BUILD FILE [CAP] -> "user_seconds maxrss_kb counts" (user ">LIMIT" on timeout)
run() {
    local out=$tmp/out rc=0 opts=()
    [ -n "${3:-}" ] && opts=("-cpu-lim=$3")
    if [ $have_time = 1 ]; then
        /usr/bin/time -f '%U %M' -o "$tmp/time" timeout "$limit" "$tmp/$1-build/primal" "${opts[@]}" "$2" > "$out" 2>&1 || rc=$?
    else
        # Without GNU time: user time from bash, no memory figure.
        { TIMEFORMAT='%U -'; time timeout "$limit" "$tmp/$1-build/primal" "${opts[@]}" "$2" > "$out" 2>&1 || rc=$?; } 2> "$tmp/time"
    fi
    local t m
    read -r t m < <(tail -n 1 "$tmp/time")
    [ $rc = 124 ] && t=">$limit"
    local counts
    counts=$(grep -E '^(Final )?Num Prime' "$out" | tail -n 2 | awk '{printf "%s/", $NF}' || true)
    echo "$t $m ${counts:-none}"
}

median() { sort -g | awk '{a[NR] = $1} END {if (NR == 0) print "-"; else print a[int((NR + 1) / 2)]}'; }

printf '%-36s %10s %10s %8s %10s %10s  %s\n' formula base_s work_s ratio base_KB work_KB note
for entry in "${formulas[@]}"; do
    file=${entry%%|*}
    cap=""
    [ "$file" != "$entry" ] && cap=${entry#*|}
    name=$(basename "$file")
    [[ "$name" =~ $only ]] || continue
    [ -r "$file" ] || { printf '%-36s missing\n' "$name"; continue; }
    : > "$tmp/base.t"; : > "$tmp/work.t"
    bm=0; wm=0; bc=""; wc=""; btimeout=0; wtimeout=0
    for ((r = 0; r < reps; r++)); do
        for b in base work; do
            read -r t m c < <(run "$b" "$file" "$cap")
            if [[ "$t" == \>* ]]; then
                [ $b = base ] && btimeout=1 || wtimeout=1
            else
                echo "$t" >> "$tmp/$b.t"
            fi
            [ "$m" = - ] && m=0
            if [ $b = base ]; then bc=$c; [ "$m" -gt "$bm" ] && bm=$m; else wc=$c; [ "$m" -gt "$wm" ] && wm=$m; fi
        done
    done
    bt=$(median < "$tmp/base.t"); wt=$(median < "$tmp/work.t")
    [ $btimeout = 1 ] && [ "$bt" = - ] && bt=">$limit"
    [ $wtimeout = 1 ] && [ "$wt" = - ] && wt=">$limit"
    ratio=$(awk -v a="$bt" -v b="$wt" 'BEGIN {
        lim = (a ~ /^>/); a = (lim ? substr(a, 2) : a) + 0; b += 0
        if (b <= 0) print "-"; else printf "%s%.2f", (lim ? ">" : ""), a / b }')
    note=""
    if [ -n "$cap" ]; then
        # Primes (implicants + implicates) found within the cap, last repetition.
        bp=$(echo "$bc" | awk -F/ '{print $1 + $2}'); wp=$(echo "$wc" | awk -F/ '{print $1 + $2}')
        ratio=$(awk -v a="$bp" -v b="$wp" 'BEGIN { if (a <= 0) print "-"; else printf "%.2f", b / a }')
        note="capped at $cap s: primes found $bp vs $wp (ratio: work/base)"
    elif [ "$bc" != "$wc" ]; then
        note="counts differ: $bc vs $wc"
    fi
    [ $btimeout = 1 ] || [ $wtimeout = 1 ] && note="$note (some runs hit the limit)"
    printf '%-36s %10s %10s %8s %10s %10s  %s\n' "$name" "$bt" "$wt" "$ratio" "$bm" "$wm" "$note"
done
