# Random 3-CNF for the bench scripts: m clauses of three distinct variables out of 1..n with
# random signs, from srand(seed). hidden="false" plants the all-false assignment (every clause is
# made true under it; it is also the solver's first guess, so the first check needs no search),
# hidden="random" plants a random one, anything else gives a uniform formula.
#   awk -v n=N -v m=M -v seed=S -v hidden=false|random|none -f bench/random3cnf.awk
BEGIN {
    srand(seed); print "p cnf", n, m
    planted = hidden == "false" || hidden == "random"
    for (v = 1; v <= n; v++) h[v] = hidden == "random" && rand() < 0.5
    for (c = 0; c < m; c++) {
        do { a = 1 + int(rand() * n); b = 1 + int(rand() * n); d = 1 + int(rand() * n) } while (a == b || a == d || b == d)
        sa = rand() < 0.5; sb = rand() < 0.5; sd = rand() < 0.5
        if (planted && sa != h[a] && sb != h[b] && sd != h[d]) { k = int(rand() * 3); if (k == 0) sa = h[a]; else if (k == 1) sb = h[b]; else sd = h[d] }
        print (sa ? a : -a), (sb ? b : -b), (sd ? d : -d), 0
    }
}
