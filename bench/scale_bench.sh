#!/usr/bin/env bash
# Scale benchmark.
#  (a) Phases on a million clauses: random 3-CNF of 250k, 500k and 1M clauses, run until the
#      first prime is printed, then interrupted. Each output line of the binary ends a phase, so
#      the process's CPU time (user + system, from /proc) is sampled as each line arrives; a
#      terminal is put on its standard output so that lines are written at once. Reading alone
#      is timed on a second run whose input ends in a syntax error. Growth columns are the ratio
#      to the next smaller size: about 2 means linear.
#  (b) Peak memory against the number of primes: complete enumerations of k disjoint clauses
#      (2i-1 v 2i), with 2^k implicants of k literals and k implicates of 2, and one random
#      3-CNF stopped by growing CPU limits. Bytes per prime are marginal (between consecutive
#      rows), so the fixed start-up memory drops out; they are compared with the 4-byte
#      literals of one stored copy of the prime.
#
# usage: bench/scale_bench.sh [-b BINARY] [-a | -m] [-q]
#   -a  only (a), -m  only (b), -q  quick: smaller (b) (no k = 19, shorter CPU limits)
set -u
here=$(cd "$(dirname "$0")" && pwd)
bin="$here/../build/release/primal"
which=all
quick=0
while getopts "b:amq" o; do
    case $o in
        b) bin=$OPTARG ;;
        a) which=phases ;;
        m) which=memory ;;
        q) quick=1 ;;
        *) exit 2 ;;
    esac
done
[ -x "$bin" ] || { echo "no binary: $bin" >&2; exit 2; }
command -v script > /dev/null || { echo "needs script(1) from util-linux" >&2; exit 2; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
hz=$(getconf CLK_TCK)

# Random 3-CNF (random3cnf.awk). mode "plant": every clause true under the all-false
# assignment, the solver's first guess, so the first check needs no conflict; "rand": uniform.
gen_3cnf() {  # n m seed mode
    local hidden=none
    [ "$4" = plant ] && hidden=false
    awk -v n="$1" -v m="$2" -v seed="$3" -v hidden="$hidden" -f "$here/random3cnf.awk"
}
gen_pairs() {  # k
    awk -v k="$1" 'BEGIN { print "p cnf", 2 * k, k; for (i = 1; i <= k; i++) print 2 * i - 1, 2 * i, 0 }'
}

# One row of (a): read_s push_s dualrail_s first_s loop_s peak_MB.
phase_row() {  # file
    local f=$1 pidf="$tmp/pid" rt
    rm -f "$pidf"
    rt=$({ cat "$f"; echo x; } | /usr/bin/time -f "%U %S" "$bin" 2>&1 > /dev/null | tail -n 1)
    script -qfec "echo \$\$ > '$pidf'; exec '$bin' -print_all -cpu-lim=600 '$f'" /dev/null | {
        pid="" t_vars="" t_using="" t_first="" hwm="" mm=0 red=0
        while IFS= read -r line; do
            line=${line%$'\r'}
            [ -z "$pid" ] && [ -s "$pidf" ] && pid=$(cat "$pidf")
            [ -z "$pid" ] && continue
            ticks=$(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2> /dev/null)
            case $line in
                "Vars to test:"*) t_vars=$ticks ;;
                "Using maximal model"*) t_using=$ticks ;;
                "Formula UNSAT"*) t_first=$ticks ;;
                "Prime Implicant:"* | "Prime Implicate:"*)
                    if [ -z "$t_first" ]; then
                        t_first=$ticks
                        hwm=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status")
                        kill -INT "$pid"
                    fi ;;
                "Max Model time:"*) mm=${line##* } ;;
                "Reduction time:"*) red=${line##* } ;;
            esac
        done
        echo "$rt" | awk -v hz="$hz" -v tv="$t_vars" -v tu="$t_using" -v tf="$t_first" -v hwm="$hwm" -v mm="$mm" -v red="$red" '{
            read = $1 + $2
            printf "%8.2f %10.2f %9.2f %10.2f %8.2f %8.0f\n", read, tv / hz - read, (tu - tv) / hz, (tf - tu) / hz, mm + red, hwm / 1024
        }'
    }
}

if [ "$which" != memory ]; then
    echo "(a) phases, CPU seconds (user + system); first = first check + occurrence lists + first prime;"
    echo "    loop = the enumeration timers of the interrupted report (part of first); growth = ratio to the row above"
    for mode in plant rand; do
        [ "$mode" = plant ] && ratio=4 || ratio=2.5
        printf '\n%-6s %8s %7s %8s %10s %9s %10s %8s %8s   %s\n' family clauses vars read_s push_s dualrail_s first_s loop_s peak_MB \
            "growth: read push dualrail first peak"
        prev=""
        for m in 250000 500000 1000000; do
            n=$(awk -v m=$m -v r=$ratio 'BEGIN { print int(m / r) }')
            gen_3cnf "$n" "$m" 7 "$mode" > "$tmp/f.cnf"
            row=$(phase_row "$tmp/f.cnf")
            growth=""
            [ -n "$prev" ] && growth=$(awk -v a="$prev" -v b="$row" 'BEGIN {
                split(a, x, " "); split(b, y, " "); s = ""
                for (i = 1; i <= 6; i++) if (i != 5) s = s sprintf(" %5.2f", x[i] > 0.005 ? y[i] / x[i] : 0)
                print s }')
            printf '%-6s %8d %7d %s  %s\n' "$mode" "$m" "$n" "$row" "$growth"
            prev=$row
        done
    done
    rm -f "$tmp/f.cnf"
    echo
fi

# One row of (b) from a finished or interrupted run: primes, literals per prime, peak RSS.
memory_row() {  # label file cpu_limit
    local label=$1 f=$2 lim=$3 out="$tmp/out" tm="$tmp/time"
    /usr/bin/time -f "%M %U %S" -o "$tm" "$bin" -print_all -cpu-lim="$lim" "$f" > "$out" 2> /dev/null
    read -r kb u s < <(tail -n 1 "$tm")
    # An interrupted run loses the prime lines still buffered: literals per prime come from the
    # lines printed, the counts from the report.
    awk -v label="$label" -v kb="$kb" -v cpu="$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')" '
        /^Prime Impl/ { lines++; lits += NF - 2 }
        /Num Prime Implicant:/ { pi = $NF } /Num Prime Implicate:/ { pe = $NF }
        /INTERRUPTED/ { cut = "cpu limit" }
        END { printf "%s %d %d %.2f %d %.2f %s\n", label, pi, pe, lines ? lits / lines : 0, kb, cpu, cut }' "$out"
}

if [ "$which" != phases ]; then
    echo "(b) peak memory against primes; bytes/prime is marginal (to the row above); lit_bytes = 4 x lits/prime; ratio = bytes/prime / lit_bytes"
    printf '%-22s %9s %8s %9s %8s %8s %11s %9s %9s %s\n' formula implicants implicates lits/prime peak_MB cpu_s \
        bytes/prime lit_bytes ratio note
    emit() {  # rows on stdin; bytes/prime from the previous row of the same family
        awk '{
            fam = $1; sub(/[:=].*/, "", fam); p = $2 + $3
            bpp = "-"; lb = 4 * $4; ratio = "-"
            if (fam == pfam && p > pp) { bpp = sprintf("%.0f", ($5 - pk) * 1024 / (p - pp)); ratio = sprintf("%.1f", bpp / lb) }
            note = ""; for (i = 7; i <= NF; i++) note = note " " $i
            printf "%-22s %9d %8d %9.2f %8.1f %8.2f %11s %9.0f %9s%s\n", $1, $2, $3, $4, $5 / 1024, $6, bpp, lb, ratio, note
            pfam = fam; pp = p; pk = $5
            if (NR == 1) { p0 = p; k0 = $5 } else { lb0 = lb }
        }
        END {  # the marginal steps are noisy (vectors grow by doubling); first row to last:
            if (NR > 1) printf "%-22s %.0f bytes/prime from the first row to the last = %.1f x its literal bytes\n", \
                "  " pfam ":", (pk - k0) * 1024 / (pp - p0), (pk - k0) * 1024 / (pp - p0) / lb0
        }'
    }
    ks="12 14 16 17 18 19"
    [ $quick = 1 ] && ks="12 14 16 17"
    for k in $ks; do
        gen_pairs "$k" > "$tmp/p.cnf"
        memory_row "pairs:k=$k" "$tmp/p.cnf" 3600
    done | emit
    # Random 3-CNF over 50 variables; a CPU limit stops the enumeration after a growing number
    # of primes (the second, completing phase never starts).
    awk -v n=50 -v m=50 -v seed=3 'BEGIN { srand(seed); print "p cnf", n, m
        for (c = 0; c < m; c++) { split("", u); line = ""
            for (j = 0; j < 3; j++) { do v = 1 + int(rand() * n); while (v in u); u[v] = 1; line = line (rand() < 0.5 ? -v : v) " " }
            print line "0" } }' > "$tmp/r.cnf"
    lims="5 10 20 40"
    [ $quick = 1 ] && lims="3 6 12"
    for lim in $lims; do memory_row "rand3:n=50,m=50,${lim}s" "$tmp/r.cnf" "$lim"; done | emit
fi
