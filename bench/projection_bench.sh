#!/usr/bin/env bash
# Projection benchmark: Tseitin encodings of adders, comparators and multiplier bits
# (bench/tseitin.py) run with `-project=orig`, against the plain run on each circuit's
# truth-table CNF, which has the same function over the inputs and so the same primes.
# Prints a markdown table: counts, median user CPU seconds, peak RSS and microseconds per
# prime of both runs, and their ratio. On circuits of at most CHECK_MAX inputs the two prime
# sets (-print_all, sorted) must be equal; a mismatch is reported and makes the status 1.
#
# usage: bench/projection_bench.sh [-r REPS=3] [-l CPU_LIMIT=60] [-k CHECK_MAX=12] PRIMAL [NAME...]
#   NAME... only those circuits (bench/tseitin.py --list names them all)
set -u
here=$(cd "$(dirname "$0")" && pwd)
reps=3
limit=60
check_max=12
while getopts "r:l:k:" o; do
    case $o in
        r) reps=$OPTARG ;;
        l) limit=$OPTARG ;;
        k) check_max=$OPTARG ;;
        *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
[ $# -ge 1 ] || { sed -n 2,9p "$0"; exit 2; }
bin=$(realpath "$1")
shift
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
python3 "$here/tseitin.py" "$tmp" "$@" > "$tmp/circuits" || exit 1

# One run: its output into $3, "user_seconds max_rss_kb" on stdout. The subshell's `times`
# gives the children's user CPU in milliseconds (/usr/bin/time rounds it to hundredths); its
# own share is about a millisecond on every run.
measure() {  # file extra-options out
    local t
    # shellcheck disable=SC2086  # the options are split on purpose
    t=$( (/usr/bin/time -f %M -o "$tmp/rss" "$bin" $2 "$1" > "$3" 2>&1; times) | tail -1 | cut -d' ' -f1)
    awk -v t="$t" -v m="$(tail -1 "$tmp/rss")" 'BEGIN { split(t, a, /[ms]/); printf "%.3f %d\n", a[1] * 60 + a[2], m }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# The final counts, or those of an interrupted run (then shown with a ">").
count() { awk -v k="$2" -F': ' '$1 == "Final Num Prime " k { print $2 } $1 == "Num Prime " k { print ">" $2 }' "$1"; }
# The primes of a -print_all output, each with its literals sorted, one a line, sorted.
primes() {
    python3 -c 'import sys
out = sorted(l.split(":")[0] + ":" + " ".join(map(str, sorted(map(int, l.split(":")[1].split()))))
             for l in open(sys.argv[1]) if l.startswith(("Prime Implicant:", "Prime Implicate:")))
print("\n".join(out))' "$1"
}

status=0
echo "| circuit | inputs | aux vars | implicants | implicates | CPU s | peak MB | us/prime | TT CPU s | TT implicants | TT implicates | TT peak MB | TT us/prime | ratio | check |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|"
while read -r name inputs aux; do
    f="$tmp/$name.cnf"
    tt="$tmp/${name}_tt.cnf"
    : > "$tmp/p.times"
    : > "$tmp/t.times"
    for ((i = 0; i < reps; i++)); do  # interleaved, so both meet the same load
        measure "$f" "-project=orig -cpu-lim=$limit" "$tmp/p.out" >> "$tmp/p.times"
        [ -f "$tt" ] && measure "$tt" "-cpu-lim=$limit" "$tmp/t.out" >> "$tmp/t.times"
    done
    p_cpu=$(cut -d' ' -f1 "$tmp/p.times" | median)
    p_mb=$(cut -d' ' -f2 "$tmp/p.times" | sort -n | tail -1 | awk '{ printf "%.1f", $1 / 1024 }')
    p_imp=$(count "$tmp/p.out" Implicant)
    p_cl=$(count "$tmp/p.out" Implicate)
    grep -q "INTERRUPTED\|INDETERMINATE" "$tmp/p.out" && p_cpu=">$p_cpu"
    p_us=$(awk -v t="$p_cpu" -v a="${p_imp:-0}" -v b="${p_cl:-0}" 'BEGIN { if (a + b > 0) printf "%.1f", t * 1e6 / (a + b); else print "-" }')
    case "$p_cpu$p_imp$p_cl" in *">"*) p_us=- ;; esac
    t_cpu=- t_imp=- t_cl=- t_mb=- t_us=- ratio=- check=-
    if [ -f "$tt" ]; then
        t_cpu=$(cut -d' ' -f1 "$tmp/t.times" | median)
        t_mb=$(cut -d' ' -f2 "$tmp/t.times" | sort -n | tail -1 | awk '{ printf "%.1f", $1 / 1024 }')
        t_imp=$(count "$tmp/t.out" Implicant)
        t_cl=$(count "$tmp/t.out" Implicate)
        t_us=$(awk -v t="$t_cpu" -v a="${t_imp:-0}" -v b="${t_cl:-0}" 'BEGIN { if (a + b > 0) printf "%.1f", t * 1e6 / (a + b); else print "-" }')
        grep -q "INTERRUPTED\|INDETERMINATE" "$tmp/t.out" && t_cpu=">$t_cpu" t_us=-
        ratio=$(awk -v p="$p_us" -v t="$t_us" 'BEGIN { if (t > 0 && p != "-") printf "%.2f", p / t; else print "-" }')
        if [ "$inputs" -le "$check_max" ]; then
            "$bin" -project=orig -print_all "$f" > "$tmp/pa.out" 2>&1
            "$bin" -print_all "$tt" > "$tmp/ta.out" 2>&1
            if cmp -s <(primes "$tmp/pa.out") <(primes "$tmp/ta.out"); then
                check=same
            else
                check=MISMATCH
                status=1
                echo "MISMATCH on $name: projected and truth-table primes differ" >&2
                cp "$f" "$tt" . 2> /dev/null
            fi
        fi
    fi
    echo "| $name | $inputs | $aux | $p_imp | $p_cl | $p_cpu | $p_mb | $p_us | $t_cpu | $t_imp | $t_cl | $t_mb | $t_us | $ratio | $check |"
done < "$tmp/circuits"
exit $status
