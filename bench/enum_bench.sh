#!/usr/bin/env bash
# Enumeration benchmark: runs the release binary on the shared instances and on generated
# families and prints, per formula, the counts, the CPU time, primes per second and the split
# between the three timers of the final report. "other" is the share of the process's CPU time
# (user + system) that lies outside the dual-rail calls and the check/reduction interval, i.e.
# reading, set-up, printing and the timers' own cost.
#
# usage: bench/enum_bench.sh [-b BINARY] [-t TIMEOUT_S] [-p] [-i] [-g] [FILE...]
#   -p  run with -print_all (output into a file), to see the cost of printing
#   -i  only the shared instances, -g only the generated families; FILE... only those files
set -u
here=$(cd "$(dirname "$0")" && pwd)
bin="$here/../build/release/primal"
timeout_s=60
print=""
which=all
while getopts "b:t:pig" o; do
    case $o in
        b) bin=$OPTARG ;;
        t) timeout_s=$OPTARG ;;
        p) print=-print_all ;;
        i) which=inst ;;
        g) which=gen ;;
        *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
instances="$here/../../shared/instances"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Random k-CNF with distinct variables per clause (awk, so no other interpreter is needed).
gen_random() {  # n m k seed
    awk -v n="$1" -v m="$2" -v k="$3" -v seed="$4" 'BEGIN {
        srand(seed); print "p cnf", n, m
        for (c = 0; c < m; c++) {
            split("", used); line = ""
            for (j = 0; j < k; j++) {
                do v = 1 + int(rand() * n); while (v in used)
                used[v] = 1; line = line (rand() < 0.5 ? -v : v) " "
            }
            print line "0"
        }
    }'
}
# Conjunction of k disjoint clauses (2i-1 v 2i): 2^k prime implicants, k prime implicates.
gen_pairs() {
    awk -v k="$1" 'BEGIN { print "p cnf", 2 * k, k; for (i = 1; i <= k; i++) print 2 * i - 1, 2 * i, 0 }'
}

printf '%-34s %6s %6s %9s %8s %8s %9s %8s %8s %8s %6s %s\n' formula vars cls implicants implicates \
    cpu_s primes/s maxm_s check_s reduc_s other note
run_one() {  # label file
    local label=$1 f=$2 out="$tmp/out" tm="$tmp/time"
    # A '%' line ends some benchmark files and is a syntax error for the reader.
    awk '/^%/ { exit } { print }' "$f" > "$tmp/in.cnf"
    local hdr; hdr=$(awk '/^p / { print $3, $4; exit }' "$tmp/in.cnf")
    /usr/bin/time -f "%U %S %e" -o "$tm" timeout "$timeout_s" "$bin" $print "$tmp/in.cnf" > "$out" 2> /dev/null
    local rc=$?
    read -r u s e < <(tail -n 1 "$tm")
    local note=""
    [ $rc -eq 124 ] && note="timeout"
    grep -q "Formula UNSAT" "$out" && note="UNSAT"
    awk -v label="$label" -v hdr="$hdr" -v u="$u" -v s="$s" -v note="$note" '
        /^(Final )?Num Prime Implicant:/ { pi = $NF } /^(Final )?Num Prime Implicate:/ { pe = $NF }
        /^Max Model time:/ { a = $NF } /^Implicant\/Implicate check time:/ { b = $NF }
        /^Reduction time:/ { c = $NF }
        END {
            split(hdr, h, " "); cpu = u + s
            if (note == "UNSAT") { printf "%-34s %6s %6s %9s %8s %8.2f %9s %8s %8s %8s %6s %s\n", label, h[1], h[2], "-", "-", cpu, "-", "-", "-", "-", "-", note; exit }
            other = cpu > 0 ? 100 * (cpu - a - c) / cpu : 0; if (other < 0) other = 0
            rate = cpu > 0 ? (pi + pe) / cpu : 0
            printf "%-34s %6s %6s %9d %8d %8.2f %9.0f %8.2f %8.2f %8.2f %5.1f%% %s\n", label, h[1], h[2], pi, pe, cpu, rate, a, b, c, other, note
        }' "$out"
}

if [ $# -gt 0 ]; then
    for f in "$@"; do run_one "$(basename "$f")" "$f"; done
    exit 0
fi
if [ "$which" != gen ]; then
    for f in $(find "$instances" -name '*.cnf' | sort); do run_one "${f#"$instances"/}" "$f"; done
fi
if [ "$which" != inst ]; then
    for size in "20 20" "20 60" "30 30" "30 90" "40 40" "40 120" "60 120" "100 426"; do
        set -- $size
        gen_random "$1" "$2" 3 7 > "$tmp/gen.cnf"
        run_one "rand3-n$1-m$2" "$tmp/gen.cnf"
    done
    for k in 16 18 20; do
        gen_pairs "$k" > "$tmp/gen.cnf"
        run_one "pairs-$k" "$tmp/gen.cnf"
    done
fi
