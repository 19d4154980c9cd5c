#include "support/Oracle.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace testutil {

bool satisfies(const Cnf& f, uint32_t a) {
    return std::all_of(f.begin(), f.end(), [a](const std::vector<int>& c) {
        return std::any_of(c.begin(), c.end(), [a](int l) { return bool((a >> (std::abs(l) - 1)) & 1) == (l > 0); });
    });
}

bool isSatisfiable(const Cnf& f, int n) {
    for (uint32_t a = 0; a < (uint32_t(1) << n); a++)
        if (satisfies(f, a)) return true;
    return false;
}

// Terms in base 3: digit v-1 is 0 (v false), 1 (v true) or 2 (v free). Returns the minimal terms
// whose every assignment gives f the value `want` (freeing any fixed digit breaks that), as
// literal lists, negated for want == false (the clause implied when the cube holds no model).
static Primes minimalCubes(const std::vector<char>& is_model, int n, bool want) {
    std::vector<size_t> pow3(size_t(n) + 1, 1);
    for (int i = 1; i <= n; i++) pow3[i] = pow3[i - 1] * 3;
    std::vector<char> all(pow3[n]);
    for (size_t t = 0; t < all.size(); t++) {
        int free_digit = -1;  // the lowest one
        uint32_t a = 0;
        size_t rest = t;
        for (int i = 0; i < n; i++, rest /= 3) {
            if (rest % 3 == 2 && free_digit < 0) free_digit = i;
            if (rest % 3 == 1) a |= uint32_t(1) << i;
        }
        // Both halves of a cube with a free digit are smaller terms, already computed.
        all[t] = free_digit < 0 ? (is_model[a] != 0) == want
                                : all[t - 2 * pow3[free_digit]] && all[t - pow3[free_digit]];
    }
    Primes out;
    for (size_t t = 0; t < all.size(); t++) {
        bool minimal = all[t];
        std::vector<int> lits;
        size_t rest = t;
        for (int i = 0; i < n && minimal; i++, rest /= 3) {
            size_t d = rest % 3;
            if (d == 2) continue;
            minimal = !all[t + (2 - d) * pow3[i]];
            lits.push_back((d == 1) == want ? i + 1 : -(i + 1));
        }
        if (!minimal) continue;
        std::sort(lits.begin(), lits.end());
        out.push_back(lits);
    }
    std::sort(out.begin(), out.end());
    return out;
}

PrimeSets bruteForcePrimes(const Cnf& f, int n) {
    std::vector<char> is_model(size_t(1) << n);
    for (uint32_t a = 0; a < (uint32_t(1) << n); a++) is_model[a] = satisfies(f, a);
    return {minimalCubes(is_model, n, true), minimalCubes(is_model, n, false)};
}

PrimeSets functionPrimes(const std::vector<char>& is_model, const std::vector<int>& names) {
    PrimeSets p{minimalCubes(is_model, int(names.size()), true), minimalCubes(is_model, int(names.size()), false)};
    for (Primes* side : {&p.implicants, &p.implicates}) {
        for (std::vector<int>& q : *side) {
            for (int& l : q) l = l < 0 ? -names[size_t(-l) - 1] : names[size_t(l) - 1];
            std::sort(q.begin(), q.end());
        }
        std::sort(side->begin(), side->end());
    }
    return p;
}

PrimeSets projectedPrimes(const Cnf& f, int n, const std::vector<int>& x) {
    std::vector<char> is_model(size_t(1) << x.size(), 0);
    for (uint32_t a = 0; a < (uint32_t(1) << n); a++) {
        if (!satisfies(f, a)) continue;
        uint32_t local = 0;
        for (size_t i = 0; i < x.size(); i++) local |= ((a >> (x[i] - 1)) & 1) << i;
        is_model[local] = 1;
    }
    return functionPrimes(is_model, x);
}

Cnf randomCnf(std::mt19937& rng, int n, int m, int max_len, bool allow_empty) {
    Cnf f;
    std::uniform_int_distribution<int> len(allow_empty ? 0 : 1, max_len), var(1, n), coin(0, 1);
    for (int i = 0; i < m; i++) {
        std::vector<int> c;
        int k = len(rng);
        for (int j = 0; j < k; j++) c.push_back(coin(rng) ? var(rng) : -var(rng));
        f.push_back(c);
    }
    return f;
}

std::string toDimacs(const Cnf& f, int n) {
    std::ostringstream s;
    s << "p cnf " << n << " " << f.size() << "\n";
    for (const auto& c : f) {
        for (int l : c) s << l << " ";
        s << "0\n";
    }
    return s.str();
}

int maxVar(const Cnf& f) {
    int v = 0;
    for (const auto& c : f)
        for (int l : c) v = std::max(v, std::abs(l));
    return v;
}

Cnf pairsCnf(int k) {
    Cnf f;
    for (int i = 1; i <= k; i++) f.push_back({2 * i - 1, 2 * i});
    return f;
}

Cnf pigeonhole(int holes, int first) {
    Cnf f(size_t(holes) + 1);  // each pigeon somewhere, then no two in a hole
    for (int h = 0; h < holes; h++)
        for (int p = 0; p <= holes; p++) {
            f[size_t(p)].push_back(first + p * holes + h);
            for (int q = p + 1; q <= holes; q++) f.push_back({-(first + p * holes + h), -(first + q * holes + h)});
        }
    return f;
}

Primes atMost(const Primes& all, size_t k) {
    Primes out;
    for (const auto& p : all)
        if (k == 0 || p.size() <= k) out.push_back(p);
    return out;
}

void parsePrimeLines(const std::string& out, Primes& implicants, Primes& implicates) {
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        bool imp = line.rfind("Prime Implicant:", 0) == 0, ate = line.rfind("Prime Implicate:", 0) == 0;
        if (!imp && !ate) continue;
        std::istringstream ls(line.substr(16));
        std::vector<int> lits;
        int l;
        while (ls >> l) lits.push_back(l);
        std::sort(lits.begin(), lits.end());
        (imp ? implicants : implicates).push_back(lits);
    }
    std::sort(implicants.begin(), implicants.end());
    std::sort(implicates.begin(), implicates.end());
}

}  // namespace testutil
