#!/usr/bin/env bash
# Start-up cost and memory on large and sparse inputs.
#  (a) A planted 3-CNF (default 5 million clauses over 1 million variables): a hidden
#      assignment, each clause of three distinct variables with random signs, one literal made
#      true by the assignment when none was. By default the hidden assignment is all-false, the
#      formula solver's first guess, so the first check needs no search and the figures are the
#      start-up cost (this is the "plant" family of scale_bench.sh). With -h random it is drawn
#      at random; at five clauses per variable the formula solver then searches for minutes
#      even at 20000 variables, which measures the search, not the start-up.
#      The file is generated once and streamed through
#      standard input (a pipe); the run is interrupted at its first "Prime" line. CPU time
#      (user + system, from /proc) and the peak resident set (VmHWM) are taken at that line, and
#      at "Vars to test" (reading done) and "Using maximal model" (solvers set up). A terminal is
#      put on the standard output so that each line is written at once. Medians of -r runs.
#  (b) Formulas whose largest index is far beyond the variables that occur: the run must cost
#      what the occurring variables cost. Complete runs under /usr/bin/time (CPU seconds, peak
#      resident set), with an address-space limit (-mem-lim, default 4000 MB) so that a binary
#      that sizes by the largest index stops with a memory-out instead of filling the machine.
#
# usage: bench/planted_bench.sh [-b BINARY] [-n VARS] [-m CLAUSES] [-s SEED] [-h false|random] [-r RUNS] [-l MEM_MB] [-a | -g]
#   -a  only (a), -g  only (b)
set -u
here=$(cd "$(dirname "$0")" && pwd)
bin="$here/../build/release/primal"
n=1000000 m=5000000 seed=11 hidden=false runs=3 memlim=4000 which=all
while getopts "b:n:m:s:h:r:l:ag" o; do
    case $o in
        b) bin=$OPTARG ;;
        n) n=$OPTARG ;;
        m) m=$OPTARG ;;
        s) seed=$OPTARG ;;
        h) hidden=$OPTARG ;;
        r) runs=$OPTARG ;;
        l) memlim=$OPTARG ;;
        a) which=planted ;;
        g) which=gaps ;;
        *) exit 2 ;;
    esac
done
[ -x "$bin" ] || { echo "no binary: $bin" >&2; exit 2; }
command -v script > /dev/null || { echo "needs script(1) from util-linux" >&2; exit 2; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
hz=$(getconf CLK_TCK)

gen_planted() {  # n m seed hidden
    awk -v n="$1" -v m="$2" -v seed="$3" -v hidden="$4" -f "$here/random3cnf.awk"
}

# One run of (a): read_s setup_s first_s peak_MB (CPU seconds are cumulative).
planted_row() {  # file
    local f=$1 pidf="$tmp/pid"
    rm -f "$pidf"
    script -qfec "cat '$f' | sh -c 'echo \$\$ > \"$pidf\"; exec \"$bin\" -print_all'" /dev/null | {
        pid="" t_vars="" t_using="" t_first="" hwm=""
        while IFS= read -r line; do
            line=${line%$'\r'}
            [ -z "$pid" ] && [ -s "$pidf" ] && pid=$(cat "$pidf")
            [ -z "$pid" ] && continue
            ticks=$(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2> /dev/null)
            case $line in
                "Vars to test:"*) t_vars=$ticks ;;
                "Using maximal model"*) t_using=$ticks ;;
                "Prime Implicant:"* | "Prime Implicate:"* | "Formula UNSAT"* | *MEMOUT*)
                    if [ -z "$t_first" ]; then
                        t_first=$ticks
                        hwm=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status" 2> /dev/null)
                        kill -INT "$pid" 2> /dev/null
                    fi ;;
            esac
        done
        awk -v hz="$hz" -v tv="$t_vars" -v tu="$t_using" -v tf="$t_first" -v hwm="$hwm" \
            'BEGIN { printf "%.2f %.2f %.2f %.0f\n", tv / hz, tu / hz, tf / hz, hwm / 1024 }'
    }
}

median() { sort -n | awk '{ v[NR] = $1 } END { print NR ? v[int((NR + 1) / 2)] : "-" }'; }

if [ "$which" != gaps ]; then
    echo "(a) planted 3-CNF, $m clauses over $n variables, hidden assignment $hidden, seed $seed, through a pipe; median of $runs runs"
    echo "    CPU seconds (user + system) since the start when each line appears; peak = VmHWM at the first prime"
    gen_planted "$n" "$m" "$seed" "$hidden" > "$tmp/planted.cnf"
    for r in $(seq "$runs"); do planted_row "$tmp/planted.cnf"; done > "$tmp/rows"
    printf '%-22s %12s %12s %12s %9s\n' "" "Vars to test" "Using model" "first prime" peak_MB
    printf '%-22s' "median"
    for col in 1 2 3 4; do printf ' %12s' "$(awk -v c=$col '{ print $c }' "$tmp/rows" | median)"; done
    echo
    awk '{ printf "%-22s %12s %12s %12s %9s\n", "run " NR, $1, $2, $3, $4 }' "$tmp/rows"
    rm -f "$tmp/planted.cnf"
    echo
fi

# One row of (b): status, the "Vars to test" line, final counts or the memory-out, CPU and peak.
gap_row() {  # label cnf-text
    local label=$1 out="$tmp/out" tm="$tmp/time"
    printf '%s' "$2" | /usr/bin/time -f "%M %U %S" -o "$tm" "$bin" -print_all -mem-lim="$memlim" > "$out" 2> /dev/null
    local st=$?
    read -r kb u s < <(tail -n 1 "$tm")
    awk -v label="$label" -v st="$st" -v kb="$kb" -v u="$u" -v s="$s" '
        /^Vars to test:/ { vars = $NF } /Final Num Prime Implicant:/ { pi = $NF } /Final Num Prime Implicate:/ { pe = $NF }
        /MEMOUT/ { note = "memory-out" }
        END { printf "%-34s %6s %10s %6s %6s %8.2f %9.1f %s\n", label, st, vars, pi, pe, u + s, kb / 1024, note }' "$out"
}

if [ "$which" != planted ]; then
    echo "(b) sparse indices, complete runs, -mem-lim=$memlim"
    printf '%-34s %6s %10s %6s %6s %8s %9s\n' formula status vars_line impl'ts' impl'es' cpu_s peak_MB
    gap_row "p cnf 4194304 1 / 4194304 0" $'p cnf 4194304 1\n4194304 0\n'
    gap_row "1 536870911 0" $'1 536870911 0\n'
    gap_row "p cnf 536870911 2 / 3 vars" $'p cnf 536870911 2\n1 -268435456 0\n268435456 536870911 0\n'
fi
