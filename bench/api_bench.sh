#!/usr/bin/env bash
# The library against the binary on runs of 10^5 and more primes: user CPU seconds (medians of
# interleaved repetitions) of
#   binary   primal -print_all FILE > /dev/null
#   api      bench/api_bench FILE           (C++ callback that counts)
#   api-list bench/api_bench FILE list      (C++ list form)
#   py       bench/python_bench.py FILE     (Python callback that counts)
#   py-list  bench/python_bench.py FILE list
# on k disjoint clauses (2i-1 v 2i) (2^k implicants of k literals, k implicates) and on the
# shared CBS formulas.
#
# usage: bench/api_bench.sh [-r REPETITIONS=5] [-k K=18]
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$here/../build/release
reps=5
k=18
while getopts "r:k:" o; do
    case $o in
        r) reps=$OPTARG ;;
        k) k=$OPTARG ;;
        *) exit 2 ;;
    esac
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
awk -v k="$k" 'BEGIN { print "p cnf", 2 * k, k; for (i = 1; i <= k; i++) print 2 * i - 1, 2 * i, 0 }' > "$tmp/pairs.cnf"
inst=$here/../../shared/instances/cbs-k3-n100-m403-b10

run() {  # mode file: user seconds
    case $1 in
        binary) /usr/bin/time -f "%U" -o "$tmp/t" "$build/primal" -print_all "$2" > /dev/null; cat "$tmp/t" ;;
        api) "$build/bench/api_bench" "$2" | awk '{ print $3 }' ;;
        api-list) "$build/bench/api_bench" "$2" list | awk '{ print $3 }' ;;
        py) PYTHONPATH=$build/python /usr/bin/python3 "$here/python_bench.py" "$2" | awk '{ print $3 }' ;;
        py-list) PYTHONPATH=$build/python /usr/bin/python3 "$here/python_bench.py" "$2" list | awk '{ print $3 }' ;;
    esac
}
median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

modes="binary api api-list py py-list"
printf "%-28s %8s" formula primes
for m in $modes; do printf " %9s" "$m"; done
echo
for f in "$tmp/pairs.cnf" "$inst/CBS_k3_n100_m403_b10_0.cnf" "$inst/CBS_k3_n100_m403_b10_1.cnf"; do
    for m in $modes; do : > "$tmp/$m"; done
    for ((i = 0; i < reps; i++)); do
        for m in $modes; do run "$m" "$f" >> "$tmp/$m"; done
    done
    primes=$("$build/bench/api_bench" "$f" | awk '{ print $1 }')
    name=$(basename "$f")
    [ "$name" = pairs.cnf ] && name="pairs k=$k"
    printf "%-28s %8s" "$name" "$primes"
    for m in $modes; do printf " %9s" "$(median < "$tmp/$m")"; done
    echo
done
