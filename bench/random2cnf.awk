# Random 2-CNF for the bench scripts: m clauses of two distinct variables out of 1..n with random
# signs, from srand(seed).
#   awk -v n=N -v m=M -v seed=S -f bench/random2cnf.awk
BEGIN {
    srand(seed); print "p cnf", n, m
    for (c = 0; c < m; c++) {
        do { a = 1 + int(rand() * n); b = 1 + int(rand() * n) } while (a == b)
        print (rand() < 0.5 ? a : -a), (rand() < 0.5 ? b : -b), 0
    }
}
