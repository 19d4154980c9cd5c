#!/usr/bin/env bash
# Printing benchmark.
#  (a) Cost of printing: k disjoint clauses (2i-1 v 2i), 2^k prime implicants of k literals.
#      CPU time (user + system) of the binary without -print_all, with -print_all into
#      /dev/null, and with -print_all into a pipe (read by cat); medians of interleaved runs.
#      The figure that matters is the difference between the last two columns and the first.
#  (b) Streaming: x v PHP(n) (every clause of the pigeonhole formula with n + 1 pigeons and n
#      holes, plus the literal x): its only primes are the implicant x and the implicate x,
#      found at once, but the run then has to refute the pigeonhole formula. Wall seconds from
#      the start to the first prime line read from a pipe, and to the end of the run.
#
# usage: bench/print_bench.sh [-b BINARY] [-B OTHER_BINARY] [-r REPETITIONS=5] [-k K=20] [-n N=9]
#   -B  the same figures for a second binary (e.g. a build of the previous commit), interleaved
set -u
here=$(cd "$(dirname "$0")" && pwd)
bins=("$here/../build/release/primal")
reps=5
k=20
n=9
while getopts "b:B:r:k:n:" o; do
    case $o in
        b) bins[0]=$OPTARG ;;
        B) bins+=("$OPTARG") ;;
        r) reps=$OPTARG ;;
        k) k=$OPTARG ;;
        n) n=$OPTARG ;;
        *) exit 2 ;;
    esac
done
for b in "${bins[@]}"; do [ -x "$b" ] || { echo "no binary: $b" >&2; exit 2; }; done
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time" >&2; exit 2; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

awk -v k="$k" 'BEGIN { print "p cnf", 2 * k, k; for (i = 1; i <= k; i++) print 2 * i - 1, 2 * i, 0 }' > "$tmp/pairs.cnf"

cpu() {  # binary mode: CPU seconds (user + system) of one run
    local t="$tmp/time"
    case $2 in
        quiet) /usr/bin/time -f "%U %S" -o "$t" "$1" "$tmp/pairs.cnf" > /dev/null ;;
        null) /usr/bin/time -f "%U %S" -o "$t" "$1" -print_all "$tmp/pairs.cnf" > /dev/null ;;
        pipe) /usr/bin/time -f "%U %S" -o "$t" "$1" -print_all "$tmp/pairs.cnf" | cat > /dev/null ;;
    esac
    awk '{ printf "%.2f\n", $1 + $2 }' "$t"
}

label() { local s=$1; ((${#s} > 40)) && s="...${s: -37}"; echo "$s"; }

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "(a) k = $k: CPU seconds (user + system), median of $reps"
printf '%-40s %8s %8s %8s %10s %10s\n' binary quiet /dev/null pipe "null-quiet" "pipe-quiet"
for mode in quiet null pipe; do for i in "${!bins[@]}"; do : > "$tmp/$i.$mode"; done; done
for ((r = 0; r < reps; r++)); do
    for mode in quiet null pipe; do
        for i in "${!bins[@]}"; do cpu "${bins[$i]}" $mode >> "$tmp/$i.$mode"; done
    done
done
for i in "${!bins[@]}"; do
    q=$(median < "$tmp/$i.quiet") d=$(median < "$tmp/$i.null") p=$(median < "$tmp/$i.pipe")
    printf '%-40s %8s %8s %8s %10.2f %10.2f\n' "$(label "${bins[$i]}")" "$q" "$d" "$p" "$(echo "$d - $q" | bc)" "$(echo "$p - $q" | bc)"
done

# x v PHP(n): variable 1 is x, pigeon i in hole j is 2 + i*n + j.
awk -v n="$n" 'BEGIN {
    p = n + 1; m = p + n * p * (p - 1) / 2
    print "p cnf", 1 + p * n, m
    for (i = 0; i < p; i++) { s = "1"; for (j = 0; j < n; j++) s = s " " 2 + i * n + j; print s, 0 }
    for (j = 0; j < n; j++) for (a = 0; a < p; a++) for (b = a + 1; b < p; b++) print 1, -(2 + a * n + j), -(2 + b * n + j), 0
}' > "$tmp/php.cnf"

echo
echo "(b) x v PHP($n), -engine-steps=0: wall seconds to the first prime line on a pipe, and to the end"
for b in "${bins[@]}"; do
    start=$EPOCHREALTIME first=""
    while IFS= read -r line; do
        [ -z "$first" ] && [ "${line#Prime }" != "$line" ] && first=$EPOCHREALTIME
    done < <("$b" -print_all -engine-steps=0 "$tmp/php.cnf")
    end=$EPOCHREALTIME
    printf '%-40s first %6.2f  end %6.2f\n' "$(label "$b")" "$(echo "$first - $start" | bc)" "$(echo "$end - $start" | bc)"
done
